// Sorting named files and folders into a reference and its clips.
#include "app/viewer_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/path_case.h"
#include "base/platform.h"

namespace {

bool IsSmdName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".smd";
}

// The first word of a line, lower-cased ASCII; leading blanks skipped.
std::string FirstWord(const char* line) {
  while (*line == ' ' || *line == '\t') ++line;
  std::string word;
  for (; *line && *line != ' ' && *line != '\t' && *line != '\r' && *line != '\n'; ++line)
    word += static_cast<char>(*line >= 'A' && *line <= 'Z' ? *line - 'A' + 'a' : *line);
  return word;
}

}  // namespace

bool HoldsTriangles(const std::string& path) {
  FILE* file = OpenFile(path.c_str(), "rb");
  if (!file) return false;
  // Lines longer than the buffer are read in pieces; a piece that starts mid-line may look like a
  // keyword only in a file that no loader would take anyway.
  char line[512];
  bool inTriangles = false, found = false;
  while (!found && std::fgets(line, sizeof line, file)) {
    const std::string word = FirstWord(line);
    if (inTriangles) {
      if (word == "end")
        inTriangles = false;
      else if (!word.empty())
        found = true;
    } else if (word == "triangles") {
      inTriangles = true;
    }
  }
  std::fclose(file);
  return found;
}

bool SmdFilesIn(const std::string& folder, std::vector<std::string>* files, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code code;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
    const std::string name = it->path().filename().string();
    if (IsSmdName(name) && !it->is_directory(code)) names.push_back(name);
  }
  if (code) {
    *error = folder + ": cannot list the folder: " + code.message();
    return false;
  }
  std::sort(names.begin(), names.end(), LessIgnoringCase);
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  for (const std::string& name : names) files->push_back(prefix + name);
  return true;
}

bool SortNamedFiles(const std::vector<std::string>& named, CharacterFiles* character, std::string* error) {
  std::vector<std::string> files;
  for (const std::string& path : named) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
      if (!SmdFilesIn(path, &files, error)) return false;
    } else {
      files.push_back(path);
    }
  }
  std::vector<std::string> references;
  character->animations.clear();
  for (const std::string& file : files) {
    if (HoldsTriangles(file))
      references.push_back(file);
    else
      character->animations.push_back(file);
  }
  if (references.size() != 1) {
    std::string list;
    for (const std::string& file : references) list += (list.empty() ? "" : ", ") + file;
    *error = references.empty()
                 ? "none of the files named holds triangles: name a reference SMD file (or its folder)"
                 : std::to_string(references.size()) + " of the files named hold triangles (" + list +
                       "): name exactly one reference SMD file";
    return false;
  }
  character->reference = references[0];
  return true;
}
