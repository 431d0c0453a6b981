// Where the program reads its own files from. It opens them by paths relative to the current
// folder, so it moves into its content folder before it opens anything: the folder --content
// names, else the current folder when it holds the effect file, else the installed
// share/hatching beside the executable's bin folder, else the build's content folder beside the
// executable. Paths given on the command line keep meaning the folder it was started in.
#pragma once

#include <string>
#include <vector>

// The file whose presence makes a folder a content folder.
inline constexpr char kContentMarker[] = "Shaders/Hatching.fx";

// The folder that holds the running executable (from /proc/self/exe); "" when it cannot be read.
std::string ExecutableDirectory();

// The content folder to move into when none is named: "" when `startDirectory` holds the effect
// file, or when no other folder does either (the program then reports its missing files where it
// was started, as it always has).
std::string FindContentFolder(const std::string& startDirectory, const std::string& executableDirectory);

// Makes each non-empty relative path in `paths` absolute against `startDirectory`.
void AnchorPaths(const std::vector<std::string*>& paths, const std::string& startDirectory);

// Moves into the content folder: `named` when it is not empty, else the one FindContentFolder
// finds, after anchoring `paths` to the current folder. False with `error` saying why
// ("<folder>: cannot enter the content folder: <reason>").
bool EnterContentFolder(const std::string& named, const std::vector<std::string*>& paths, std::string* error);
