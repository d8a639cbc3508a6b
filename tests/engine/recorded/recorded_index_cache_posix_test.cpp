// SPDX-License-Identifier: GPL-3.0-or-later
// The index cache where POSIX permissions and special files come in.
#include "engine/recorded/recorded_index_cache.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>

#include "ordinary_user.h"

namespace voltrix {
namespace {

using testing::OrdinaryUser;
using testing::ScopedMode;

const std::string kKey = "dev 2049 ino 91 head 77aa layout 0x3";

RecordedIndex smallIndex() {
    RecordedLayout::Columns columns;
    columns.set(static_cast<std::size_t>(LogColumn::Adc1));
    RecordedIndex index{RecordedLayout(columns)};
    for (std::uint64_t line = 1; line <= 200; ++line) {
        ParsedLine p;
        p.values[0] = static_cast<float>(line);
        index.append(p, {line * 10, line});
    }
    index.setEnd(2010, 200);
    return index;
}

class RecordedIndexCachePosix : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::filesystem::path path(const char* name) const {
        return std::filesystem::path(QFile::encodeName(dir_.path()).toStdString()) / name;
    }

    QTemporaryDir dir_;
};

TEST_F(RecordedIndexCachePosix, ReadOnlyFolderGivesFalseAndKeepsTheOldCache) {
    const std::filesystem::path folder = path("voltrix");
    ASSERT_TRUE(saveIndexCache(folder, kKey, smallIndex(), 5));
    const QString folderName = QFile::decodeName(folder.c_str());
    const ScopedMode top(dir_.path(), 0555);
    const ScopedMode own(folderName, 0555);
    const OrdinaryUser user;
    if (!user.active()) {
        GTEST_SKIP() << "cannot act as an ordinary user";
    }
    EXPECT_FALSE(saveIndexCache(folder, kKey, RecordedIndex(), 6));
    EXPECT_FALSE(saveIndexCache(path("missing"), kKey, smallIndex(), 6));
    RecordedIndex back;
    EXPECT_EQ(loadIndexCache(folder, kKey, back), 5u);
    EXPECT_EQ(back.size(), 200u);
}

TEST_F(RecordedIndexCachePosix, FifoInPlaceOfTheCacheIsNotRead) {
    // Opening a FIFO for reading waits for a writer that never comes.
    const std::filesystem::path folder = path("voltrix");
    std::filesystem::create_directories(folder);
    ASSERT_EQ(::mkfifo(indexCacheFile(folder, kKey).c_str(), 0600), 0);
    RecordedIndex into;
    EXPECT_EQ(loadIndexCache(folder, kKey, into), std::nullopt);
    EXPECT_EQ(into.size(), 0u);
}

}  // namespace
}  // namespace voltrix
