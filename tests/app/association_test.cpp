// Shell registration of calibration files, against the platform's registry rules. The same
// cases run on the real registry in the Windows build (under Wine) and on the in-memory model
// natively, so the model's rules are checked against the platform's own.
#include <gtest/gtest.h>

#include <memory>

#include "app/association.h"
#include "support/fake_registry.h"

namespace frixa {
namespace {

class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    reg_ = MakeWindowsRegistry();
#else
    reg_ = std::make_unique<testing::FakeRegistry>();
#endif
    Cleanup();
  }
  void TearDown() override { Cleanup(); }

  // Removes every key the cases write, deepest first.
  void Cleanup() {
    for (const char* k : {"FrixaTst\\shell\\open\\command", "FrixaTst\\shell\\open",
                          "FrixaTst\\shell", "FrixaTst\\DefaultIcon", "FrixaTst", ".FrixaTst",
                          "OtherTst", ".OtherTst"}) {
      DeleteRegistryKey(*reg_, kHKeyClassesRoot, k);
    }
  }
  bool Exists(const std::string& key) {
    RegKey k = 0;
    if (reg_->RegOpenKeyExA(kHKeyClassesRoot, key, 0, kKeyRead, &k) != kRegSuccess) return false;
    reg_->RegCloseKey(k);
    return true;
  }
  std::string Default(const std::string& key) {
    return ReadRegistryString(*reg_, kHKeyClassesRoot, key, "", "<none>");
  }
  void Register(const std::string& icon = "C:\\Rig\\Frixa.ICO") {
    RegisterFileAssociation(*reg_, "FrixaTst", "C:\\Rig\\", "FrixaTst",
                            "Torvex2 Mechanical Losses", icon);
  }

  std::unique_ptr<RegistryApi> reg_;
};

TEST_F(AssociationTest, FirstStartWritesTheFourKeys) {
  RemoveFileAssociation(*reg_, "FrixaTst");
  Register();
  EXPECT_EQ(Default(".FrixaTst"), "FrixaTst");
  EXPECT_EQ(Default("FrixaTst"), "Torvex2 Mechanical Losses");
  EXPECT_EQ(Default("FrixaTst\\DefaultIcon"), "C:\\Rig\\Frixa.ICO,0");
  EXPECT_EQ(Default("FrixaTst\\shell\\open\\command"), "\"C:\\Rig\\FrixaTst.exe\" %1");
}

TEST_F(AssociationTest, FolderWithoutBackslashGetsOne) {
  RegisterFileAssociation(*reg_, "FrixaTst", "C:\\Rig", "FrixaTst", "d", "");
  EXPECT_EQ(Default("FrixaTst\\shell\\open\\command"), "\"C:\\Rig\\FrixaTst.exe\" %1");
}

TEST_F(AssociationTest, LaterStartDeletesExtensionKeyButTypeKeyWithSubkeysSurvives) {
  Register();
  RemoveFileAssociation(*reg_, "FrixaTst");
  EXPECT_FALSE(Exists(".FrixaTst"));
  EXPECT_TRUE(Exists("FrixaTst"));  // refused: it still has DefaultIcon and shell
  EXPECT_TRUE(Exists("FrixaTst\\shell\\open\\command"));
  Register();
  EXPECT_EQ(Default(".FrixaTst"), "FrixaTst");
  EXPECT_EQ(Default("FrixaTst"), "Torvex2 Mechanical Losses");
}

TEST_F(AssociationTest, ExtensionNamingAnotherTypeWithoutSubkeysDeletesThatType) {
  WriteRegistryDefault(*reg_, kHKeyClassesRoot, ".FrixaTst", "", "OtherTst");
  WriteRegistryDefault(*reg_, kHKeyClassesRoot, "OtherTst", "", "Other description");
  RemoveFileAssociation(*reg_, "FrixaTst");
  EXPECT_FALSE(Exists(".FrixaTst"));
  EXPECT_FALSE(Exists("OtherTst"));
}

TEST_F(AssociationTest, EmptyDefaultValueOnExtensionDeletesNothing) {
  WriteRegistryDefault(*reg_, kHKeyClassesRoot, ".FrixaTst", "", "");
  EXPECT_EQ(Default(".FrixaTst"), "");  // an empty value is read as empty, not the fallback
  RemoveFileAssociation(*reg_, "FrixaTst");
  EXPECT_TRUE(Exists(".FrixaTst"));
}

TEST_F(AssociationTest, EmptyIconPathWritesNoDefaultIconKey) {
  Register("");
  EXPECT_FALSE(Exists("FrixaTst\\DefaultIcon"));
  EXPECT_EQ(Default(".FrixaTst"), "FrixaTst");
  EXPECT_EQ(Default("FrixaTst\\shell\\open\\command"), "\"C:\\Rig\\FrixaTst.exe\" %1");
}

TEST_F(AssociationTest, ReadingKeepsTrailingBlanksAndLosesLeadingOnes) {
  WriteRegistryDefault(*reg_, kHKeyClassesRoot, ".FrixaTst", "", "  Frixa  ");
  EXPECT_EQ(Default(".FrixaTst"), "Frixa  ");
  EXPECT_EQ(ReadRegistryString(*reg_, kHKeyClassesRoot, ".NoSuchTst", "", "fb"), "fb");
}

#ifndef _WIN32
TEST(AssociationCalls, RoutinesUseThePlatformFunctionsInTheirOrder) {
  testing::FakeRegistry reg;
  reg.Put(".FrixaTst", "FrixaTst");
  reg.Put("FrixaTst\\DefaultIcon", "x");
  RemoveFileAssociation(reg, "FrixaTst");
  const std::vector<std::string> expected = {
      "open .FrixaTst", "query", "close",                      // read the type name
      "open .FrixaTst", "delete .frixatst", "close",           // extension key deleted
      "open FrixaTst",  "delete frixatst", "close"};           // type key refused
  EXPECT_EQ(reg.calls, expected);
  EXPECT_TRUE(reg.KeyExists("FrixaTst"));
}

TEST(AssociationCalls, RefusedWritesAreSilent) {
  testing::FakeRegistry reg;
  reg.refuseWrites = true;
  RemoveFileAssociation(reg, "Frixa");
  RegisterFileAssociation(reg, "Frixa", "C:\\Rig\\", "Frixa", "d", "C:\\Rig\\Frixa.ICO");
  EXPECT_TRUE(reg.Keys().empty());
}
#endif

}  // namespace
}  // namespace frixa
