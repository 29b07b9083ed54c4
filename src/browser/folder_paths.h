// The browser's folder and file names, as text: Windows paths ("c:\a\b") joined, normalised and
// compared without regard to case, the chain of folders the folder list shows, the order of
// names and the indent of its levels. No file system access: the window lists the folders.
#pragma once

#include <string>
#include <vector>

namespace frixa {

// Every ASCII letter in lower case.
std::string LowerCase(std::string s);

// "c:\a\b\" and "c:/a/b" alike become "c:\a\b"; a root keeps its backslash ("c:" is "c:\").
std::string NormalisedFolder(std::string path);

// `name` inside `folder`, with one backslash between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Whether two paths name the same file: normalised, without regard to case.
bool SamePath(const std::string& a, const std::string& b);

// Names in the order the user expects: alphabetical without regard to case.
void SortNames(std::vector<std::string>& names);

// One line of the folder list's path part: the folder and the text the list shows for it
// (a root in lower case, any other folder by its own name).
struct FolderChainEntry {
  std::string path;
  std::string shown;
  friend bool operator==(const FolderChainEntry&, const FolderChainEntry&) = default;
};

// The normalised `folder`'s parents from its root down, then the folder itself.
std::vector<FolderChainEntry> FolderChain(const std::string& folder);

// Pixels each level of the folder list lies further in: up to kFolderIndent, less on a deep
// path so that the widest entry (its text `widest` pixels wide at its level with the full
// indent) fits `room` pixels, never under 3. `deepest` is the deepest level (1 at least).
inline constexpr int kFolderIndent = 10;
int FolderIndent(int widest, int room, int deepest);

}  // namespace frixa
