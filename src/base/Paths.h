#pragma once
// Path text. The core joins with the platform's separator; paths that came
// from a catalog or from Windows may hold either slash, so splitting accepts both.
#include <string>
#include <string_view>

namespace pankor {

// folder + separator + name.
std::string JoinPath(std::string_view folder, std::string_view name, char separator);
// The last part after "\" or "/" (the whole text when there is none).
std::string FileNameOf(std::string_view path);
// Everything before the last "\" or "/", or "" when there is none.
std::string ParentFolderOf(std::string_view path);
// The file name without its last extension (".exe"); a leading dot stays.
std::string StemOf(std::string_view path);

}  // namespace pankor
