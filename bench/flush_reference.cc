// The floor for a durable first launch beyond its copy: a console program
// that walks C:\Quellmar as the launcher's check walks it (the same file
// layer, through folder handles) and flushes each file to the disk as the
// launcher does, and does nothing else. The install benchmark runs it right
// after each bare copy; the two together are what a copy costs that is on the
// disk before it counts. It ends with 1 when a folder or file fails.
#include "files/link_safe_files.h"
#include "files/tree_walk.h"

namespace {

Step flush_file(const TreeVisit& visit, void*) {
  if (visit.phase != Phase::file)
    return Step::go_on;
  FileToFlush file;
  return file.open(visit.folder, visit.entry->name) && file.flush() ? Step::go_on : Step::stop;
}

}  // namespace

int main() {
  return walk_tree_at(L"C:\\Quellmar", {flush_file, nullptr}) ? 0 : 1;
}
