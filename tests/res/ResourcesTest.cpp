#include "res/Resources.h"

#include <gtest/gtest.h>

using namespace vornalix::res;

TEST(Resources, UndefinedIdsLoadEmpty) {
    for (Language language : {Language::English, Language::Japanese})
        for (int id : {101, 103, 107, 108, 118})
            EXPECT_EQ(LoadString(id, language), "") << id;
}
