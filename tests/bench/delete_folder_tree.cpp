// Deletes one folder tree with DeleteFolderTree, for the benchmarks.
//   delete_folder_tree WINDOWS-PATH
#include "files/folder_tree.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  return DeleteFolderTree(argv[1]) ? 0 : 1;
}
