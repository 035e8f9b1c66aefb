// Makes a link to a folder, for tests whose commands must make one while the
// launcher runs: folder_link LINK TARGET. Exits with 0 when the link is there.
#include <string>

#include "test_files.h"

int main(int argc, char** argv) {
  if (argc != 3)
    return 2;
  std::string link = argv[1];
  std::string target = argv[2];
  return MakeFolderLink(std::wstring(link.begin(), link.end()),
                        std::wstring(target.begin(), target.end()))
             ? 0
             : 1;
}
