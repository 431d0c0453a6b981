// Sorting the files a user names into a character: the one SMD file that holds triangles is the
// reference, the others are its clips in the order given; a folder gives its own SMD files in
// name order, letter case aside.
#pragma once

#include <string>
#include <vector>

#include "app/character.h"

// Whether the SMD file at `path` holds a "triangles" block with at least one line in it. Reads up
// to that block; a file that cannot be read holds none.
bool HoldsTriangles(const std::string& path);

// The SMD files (".smd", any letter case) directly inside `folder`, in name order ignoring letter
// case; false with `error` when the folder cannot be listed.
bool SmdFilesIn(const std::string& folder, std::vector<std::string>* files, std::string* error);

// Fills `character.reference` and `character.animations` from `named` (files and folders as
// typed). False with `error` when none or several of them hold triangles, or a folder cannot be
// listed: the program then exits with code 2.
bool SortNamedFiles(const std::vector<std::string>& named, CharacterFiles* character, std::string* error);
