// What the FTP dialog's key and certificate buttons say and keep: each failure in its own
// words, a replaced key only after a Yes, and the new file's name in the dialog's values.
#include "uimodel/FtpKeys.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "support/FaultFileSystem.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/FtpDialogStrings.h"

namespace {

class FtpKeys : public ::testing::Test {
  protected:
    FtpKeys() { tv::AddFtpDialogStrings(); }

    tv::CCertificateFields Fields() const {
        tv::CCertificateFields fields = tv::NewCertificateFields(1'700'000'000);
        fields.m_strOwner = "ann";
        return fields;
    }

    tvtest::CTempDir m_dir;
    tv::IFileSystem& m_fs = tv::LocalFileSystem();
    tv::CFtpDialogModel m_model{tv::CTag()};
    tvtest::CScriptedDialogs m_dialogs;
    std::string m_key = m_dir / "key";
};

TEST_F(FtpKeys, AKeyIsReplacedOnlyAfterYesAndAFailedWriteIsReported) {
    m_model.Values().m_strKeyFile = m_key;
    tv::CFtpKeyCommands commands(m_fs, m_model, m_dialogs);
    EXPECT_FALSE(commands.GenerateKeyPair());  // the field already names the file
    const std::string first = tvtest::ReadFile(m_key + ".pub");
    EXPECT_EQ(m_dialogs.m_asked.size(), 1u);  // where the public key is

    m_dialogs.m_answers = {tv::PromptAnswer::No, tv::PromptAnswer::Yes};
    commands.GenerateKeyPair();
    EXPECT_EQ(tvtest::ReadFile(m_key + ".pub"), first);
    commands.GenerateKeyPair();
    EXPECT_NE(tvtest::ReadFile(m_key + ".pub"), first);

    tvtest::CFaultFileSystem full(m_fs);
    full.Fail(tvtest::CFaultFileSystem::Op::Write, ENOSPC);
    tv::CFtpDialogModel fresh{tv::CTag()};
    tv::CFtpKeyCommands failing(full, fresh, m_dialogs);
    const std::string other = m_dir / "other";
    m_dialogs.m_files.push_back(other);
    EXPECT_FALSE(failing.GenerateKeyPair());
    EXPECT_TRUE(m_dialogs.m_asked.back().starts_with("Can't save the key.\n" + other + "\n"))
        << m_dialogs.m_asked.back();
    EXPECT_EQ(fresh.Values().m_strKeyFile, "");
}

TEST_F(FtpKeys, ACertificateNeedsAKeyAndFieldsItCanHold) {
    tv::CFtpKeyCommands commands(m_fs, m_model, m_dialogs);
    EXPECT_FALSE(commands.KeyExists());
    EXPECT_EQ(m_dialogs.m_asked.back(), "Key must be created.");

    m_model.Values().m_strKeyFile = m_key;
    commands.GenerateKeyPair();
    EXPECT_TRUE(commands.KeyExists());
    tv::CCertificateFields fields = Fields();
    fields.m_strCountry = "Germany";
    const std::string cert = m_dir / "site.cer";
    m_dialogs.m_files.push_back(cert);
    EXPECT_FALSE(commands.CreateCertificate(fields));
    EXPECT_TRUE(m_dialogs.m_asked.back().starts_with("Can't create Certificate object."));
    EXPECT_EQ(m_model.Values().m_strCertificateFile, "");

    m_dialogs.m_files.push_back(cert);
    EXPECT_TRUE(commands.CreateCertificate(Fields()));
    EXPECT_EQ(m_model.Values().m_strCertificateFile, cert);

    // The key went away after the check: the same words as before the dialog.
    std::filesystem::remove(m_key);
    EXPECT_FALSE(commands.CreateCertificate(Fields()));
    EXPECT_EQ(m_dialogs.m_asked.back(), "Key must be created.");
}

}  // namespace
