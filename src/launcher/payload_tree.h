// The payload folder's tree (the current directory during an install) held
// against the installation directory: what the copy must write, whether it
// did, and the removal of what it wrote when it did not.
#ifndef QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_
#define QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_

// True when every folder and file of the payload keeps its path under
// C:\Quellmar within the path bounds, of folders and of files; a longer one
// makes xcopy fail part-way, or hang under Wine. Returns false with ERROR_FILENAME_EXCED_RANGE, or
// with the last-error value of a listing that failed.
bool payload_fits_install_directory();

// True when C:\Quellmar holds every folder and every file of the payload,
// each file with the same size. Names and sizes only: a copy that reported
// success but stopped part-way, or filled the disk, differs in either.
bool installation_matches_payload();

// Removes from C:\Quellmar exactly the files and folders whose paths the
// payload holds: files, and folders only when empty and after what is below
// them. Anything else (the user's own files, the program's saved work) stays.
// It never goes through a junction or other reparse point, C:\Quellmar
// included.
void remove_copied_payload();

#endif  // QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_
