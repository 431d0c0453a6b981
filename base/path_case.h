// Finding a file whose name differs in letter case from the one asked for: material names written
// on case-insensitive systems often do not match the files beside them.
#pragma once

#include <string>

// When `path` (slashes or backslashes) names no file, the existing path whose every part equals
// the asked one's ignoring ASCII letter case, the first such name in each folder's listing order;
// `path` itself when it exists; empty when neither does.
std::string FindIgnoringCase(const std::string& path);

// Whether `a` sorts before `b` ignoring ASCII letter case (then by bytes, so the order is total).
bool LessIgnoringCase(const std::string& a, const std::string& b);
