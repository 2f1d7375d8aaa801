#include "ui/DonationLink.h"

#include <gtest/gtest.h>

namespace quillon::ui {
namespace {

TEST(DonationLink, StoredAddressDecodes) {
    EXPECT_EQ(DonationAddress(), L"https://quillon.example.org/donate/");
}

} // namespace
} // namespace quillon::ui
