// The payload folder's tree (the current directory during an install) held
// against the installation directory: what the copy must write, whether it
// did, and the removal of what it wrote when it did not.
#ifndef QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_
#define QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_

// True when every file of the payload keeps its path within xcopy's bound,
// in the payload folder (the current directory) and under C:\Quellmar, and
// every folder its path under C:\Quellmar within the folder bound; a longer
// one makes xcopy fail part-way, or hang under Wine. Returns false with
// ERROR_FILENAME_EXCED_RANGE, or with the last-error value of a listing that
// failed.
bool payload_fits_install_directory();

// True when the held C:\Quellmar holds every folder and every file of the payload,
// each file with the same size. Names and sizes only: a copy that reported
// success but stopped part-way, or filled the disk, differs in either.
bool installation_matches_payload();

// Removes from the held C:\Quellmar exactly the files and folders whose paths
// the payload holds: files, and folders only when empty and after what is
// below them. Anything else (the user's own files, the program's saved work)
// stays, and a folder that holds such things is no obstacle. It never goes
// through a junction or other reparse point. A payload file that stays, held
// open or still being deleted, is tried again for about two seconds.
// Returns false when a payload path is left in the way of a copy: at once,
// with link_in_the_way, when one is a link, which xcopy would write through;
// otherwise with the last-error value of a file that stays
// (ERROR_ACCESS_DENIED when its deletion is pending).
bool clear_payload_paths();

#endif  // QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_
