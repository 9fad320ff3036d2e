// Shows kept between starts of avrel -pictures: a kept show comes back
// whole for its own key only, and a cache file cut short, damaged or of
// another key is not taken (the show is made anew).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "linux/ShowCache.h"

namespace {

std::string TemporaryFolder() {
    char pattern[] = "/tmp/avrel-cache-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made != nullptr ? made : "";
}

void Cut(const std::string& path, long size) {
    ASSERT_EQ(0, truncate(path.c_str(), size));
}

TEST(ShowCache, AKeptShowComesBackWholeForItsOwnKeyOnly) {
    std::string root = TemporaryFolder();
    ASSERT_NE("", root);
    setenv("XDG_CACHE_HOME", root.c_str(), 1);
    std::string path = ShowCachePath("/some/photos");
    EXPECT_EQ(0u, path.find(root + "/avrel/pictures-")) << path;
    EXPECT_NE(path, ShowCachePath("/other/photos"));

    std::vector<maker::FolderFile> files = {{"b.jpg", 10, 5}, {"a.jpg", 20, 7}};
    maker::PictureSet base = {{1000, {1, 2, 3}}};
    std::string key = ShowCacheKey("/some/photos", files, base);
    std::swap(files[0], files[1]);
    EXPECT_EQ(key, ShowCacheKey("/some/photos", files, base)) << "listing order does not count";
    files[0].modified = 8;
    EXPECT_NE(key, ShowCacheKey("/some/photos", files, base)) << "a file changed";
    base[1000][0] = 9;
    EXPECT_NE(key, ShowCacheKey("/some/photos", {{"b.jpg", 10, 5}, {"a.jpg", 20, 7}}, base))
        << "another base";

    MadeResources show = {{1000, {0xFF, 0xD8, 0xFF, 1}},
                          {4098, std::vector<unsigned char>(768, 7)}};
    StoreCachedShow(path, key, show);
    MadeResources back;
    ASSERT_TRUE(LoadCachedShow(path, key, &back));
    EXPECT_TRUE(back == show);
    EXPECT_FALSE(LoadCachedShow(path, key + "x", &back)) << "another key";

    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(file != nullptr);
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fclose(file);
    for (long cut : {size - 1, size / 2, 10L, 0L}) {
        Cut(path, cut);
        EXPECT_FALSE(LoadCachedShow(path, key, &back)) << "cut to " << cut << " bytes";
    }
    file = std::fopen(path.c_str(), "wb");
    std::fputs("AVREL SHOW CACHE 1\n\xff\xff\xff\xff", file);
    std::fclose(file);
    EXPECT_FALSE(LoadCachedShow(path, key, &back)) << "a key length far beyond the file";
    std::remove(path.c_str());
    rmdir((root + "/avrel").c_str());
    rmdir(root.c_str());
}

}  // namespace
