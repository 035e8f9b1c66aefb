// Which reparse points are links. A junction or a symbolic link leads
// elsewhere, and the file layer never goes through one. Other reparse points
// are ordinary files and folders that a file system filter keeps: OneDrive's
// placeholders (every file and folder of a Desktop or Documents kept in
// OneDrive carries one, and Windows shows it to programs by default), data
// deduplication, compression, container isolation, hierarchical storage.
// They are entered, copied and deleted like any other.
#ifndef QUELLMAR_FILES_REPARSE_TAGS_H_
#define QUELLMAR_FILES_REPARSE_TAGS_H_

#include <windows.h>

// Whether an entry with |attributes| and, when it is a reparse point,
// |reparse_tag| counts as a link. A tag that is none of the known ordinary
// ones counts as a link, whatever it is, and so does tag 0: that is how Wine
// shows its links.
bool is_link(DWORD attributes, DWORD reparse_tag);

#endif  // QUELLMAR_FILES_REPARSE_TAGS_H_
