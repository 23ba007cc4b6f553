#pragma once
// Owned POSIX descriptors and directory streams.
#include <dirent.h>
#include <unistd.h>

#include "base/UniqueHandle.h"

namespace pankor {

struct FdTraits {
    using Handle = int;
    static int Invalid() noexcept { return -1; }
    static void Close(int fd) noexcept { close(fd); }
};
using UniqueFd = UniqueHandle<FdTraits>;

struct DirTraits {
    using Handle = DIR*;
    static DIR* Invalid() noexcept { return nullptr; }
    static void Close(DIR* d) noexcept { closedir(d); }
};
using UniqueDir = UniqueHandle<DirTraits>;

}  // namespace pankor
