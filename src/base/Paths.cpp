#include "base/Paths.h"

namespace pankor {

std::string JoinPath(std::string_view folder, std::string_view name, char separator) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += separator;
    path += name;
    return path;
}

std::string FileNameOf(std::string_view path) {
    const std::size_t p = path.find_last_of("\\/");
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ParentFolderOf(std::string_view path) {
    const std::size_t p = path.find_last_of("\\/");
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p));
}

std::string StemOf(std::string_view path) {
    std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

}  // namespace pankor
