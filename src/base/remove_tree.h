// Removing a directory tree.
#ifndef LUMO_BASE_REMOVE_TREE_H
#define LUMO_BASE_REMOVE_TREE_H

#include <string>

// Deletes the directory's regular files and symbolic links (as links),
// descends into its subdirectories without ever following a link, leaves
// devices, pipes and sockets in place, then removes the directory.  Returns
// 0 when the directory itself is gone, -1 otherwise; a path that is not a
// directory (a link to one included) is never read as one.
int removeTree(const std::string& dir);

// The same for the directory `name` in the open directory `parent`.
int removeTreeAt(int parent, const char* name);

#endif
