// The browser's folder and file names: see folder_paths.h.
#include "browser/folder_paths.h"

#include <algorithm>
#include <cctype>

namespace frixa {

std::string LowerCase(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string NormalisedFolder(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  if (path.size() == 2 && path[1] == ':') path += '\\';
  return path;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

bool SamePath(const std::string& a, const std::string& b) {
  return LowerCase(NormalisedFolder(a)) == LowerCase(NormalisedFolder(b));
}

void SortNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
}

std::vector<FolderChainEntry> FolderChain(const std::string& folder) {
  std::vector<FolderChainEntry> chain;
  for (std::string p = NormalisedFolder(folder);;) {
    const auto slash = p.find_last_of('\\');
    chain.push_back({p, p.size() <= 3 ? LowerCase(p) : p.substr(slash + 1)});
    if (p.size() <= 3 || slash == std::string::npos) break;
    p = NormalisedFolder(p.substr(0, slash));
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}

int FolderIndent(int widest, int room, int deepest) {
  if (widest <= room) return kFolderIndent;
  return std::max(3, kFolderIndent - (widest - room + deepest - 1) / deepest);
}

}  // namespace frixa
