#include "mainwindow/ui/registry_store.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(RegistryStore, KeysFromTheRootAndThirtyTwoBitValues) {
  test::TempDir dir;
  const auto file = dir.file("registry.txt");
  {
    RegistryKeyValueStore store(file);
    EXPECT_EQ(store.ReadInteger("dtvimage\\CameraType", "InterfaceType"), std::nullopt);
    EXPECT_TRUE(store.OpenKey("dtvimage\\Calidarix_Interface"));
    EXPECT_TRUE(store.WriteInteger("dtvimage\\Calidarix_Interface", "Active_Handle", 4194305));
    EXPECT_TRUE(store.WriteInteger("\\dtvimage\\CameraType", "InterfaceType", 128));
    EXPECT_FALSE(store.WriteInteger("\\dtvimage\\CameraType", "Big", std::int64_t{1} << 40));
  }
  RegistryKeyValueStore again(file);
  // Relative and rooted spellings name the same key, whatever key was opened last.
  EXPECT_TRUE(again.OpenKey("\\dtvimage\\Qor"));
  EXPECT_EQ(again.ReadInteger("\\dtvimage\\Calidarix_Interface", "Active_Handle"), 4194305);
  EXPECT_EQ(again.ReadInteger("dtvimage\\CameraType", "InterfaceType"), 128);
  EXPECT_EQ(again.ReadInteger("dtvimage\\CameraType", "Big"), std::nullopt);
}

} // namespace
} // namespace calidarix
