#pragma once
// Copying a file over another whole, as backup and restore do. Host: fs;
// Root(), WriteRaw, ReadRaw, MakeFolderRaw as for FileSystemContract.
#include <algorithm>

#include "ContractSupport.h"
#include "platform/IFileSystem.h"

namespace pankor::contract {

template <typename Host>
class FileCopyContract : public ::testing::Test {
protected:
    std::string In(const std::string& name) { return host.Root() + fs.Separator() + name; }
    std::vector<std::string> Listed() {
        const Result<std::vector<FolderEntry>> entries = fs.ListFolder(host.Root());
        std::vector<std::string> names;
        if (entries.ok())
            for (const FolderEntry& e : *entries) names.push_back(e.name);
        std::sort(names.begin(), names.end());
        return names;
    }
    Host host;
    IFileSystem& fs = host.fs;
};
TYPED_TEST_SUITE_P(FileCopyContract);

TYPED_TEST_P(FileCopyContract, TheCopyHasEveryByteAndReplacesWhatWasThere) {
    const std::string big = Pattern(300000);
    this->host.WriteRaw(this->In("settings.ini"), big);
    this->host.WriteRaw(this->In("copy.ini"), std::string(400000, 'o'));  // longer: nothing of it may stay
    ASSERT_TRUE(this->fs.CopyFile(this->In("settings.ini"), this->In("copy.ini")).ok());
    EXPECT_TRUE(this->host.ReadRaw(this->In("copy.ini")) == big);
    EXPECT_TRUE(this->host.ReadRaw(this->In("settings.ini")) == big);
    ASSERT_TRUE(this->fs.CopyFile(this->In("settings.ini"), this->In("new.ini")).ok());
    EXPECT_TRUE(this->host.ReadRaw(this->In("new.ini")) == big);
    this->host.WriteRaw(this->In("empty.ini"), "");
    ASSERT_TRUE(this->fs.CopyFile(this->In("empty.ini"), this->In("copy.ini")).ok());
    EXPECT_EQ(this->host.ReadRaw(this->In("copy.ini")), std::optional<std::string>(""));
    // Nothing but the files themselves is left in the folder.
    EXPECT_EQ(this->Listed(), (std::vector<std::string>{"copy.ini", "empty.ini", "new.ini", "settings.ini"}));
}

TYPED_TEST_P(FileCopyContract, FailuresAreDescribedAndLeaveTheTargetAlone) {
    this->host.WriteRaw(this->In("target.ini"), "kept");
    this->host.WriteRaw(this->In("source.ini"), "new");
    this->host.MakeFolderRaw(this->In("folder"));
    EXPECT_TRUE(Described(this->fs.CopyFile(this->In("missing.ini"), this->In("target.ini"))));
    EXPECT_TRUE(Described(this->fs.CopyFile(this->In("folder"), this->In("target.ini"))));
    EXPECT_TRUE(Described(this->fs.CopyFile(this->In("source.ini"), this->In("folder"))));
    const std::string nowhere = this->In("no folder") + this->fs.Separator() + "x.ini";
    EXPECT_TRUE(Described(this->fs.CopyFile(this->In("source.ini"), nowhere)));
    EXPECT_EQ(this->host.ReadRaw(this->In("target.ini")), std::optional<std::string>("kept"));
    EXPECT_EQ(this->Listed(), (std::vector<std::string>{"folder", "source.ini", "target.ini"}));
}

REGISTER_TYPED_TEST_SUITE_P(FileCopyContract, TheCopyHasEveryByteAndReplacesWhatWasThere,
                            FailuresAreDescribedAndLeaveTheTargetAlone);

}  // namespace pankor::contract
