// Key pairs and certificates checked by the tools that will read them: OpenSSH's ssh-keygen
// must derive the same public key from our private key file, and OpenSSL must parse and
// verify our certificates.
#include "platform/KeyFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/SshKeyCodec.h"
#include "support/FaultFileSystem.h"
#include "support/TestEnv.h"

namespace fs = std::filesystem;

namespace {

using tv::ExistingFiles;
using tv::KeyFileResult;

struct CToolRun {
    int m_nStatus = -1;
    std::string m_strOutput;
};

// Runs a shell command line of fixed text and quoted temporary paths.
CToolRun RunTool(const std::string& command) {
    CToolRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        return run;
    }
    char buffer[4096];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) {
        run.m_strOutput.append(buffer, got);
    }
    run.m_nStatus = pclose(pipe);
    return run;
}

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

tv::CCertificateSubject Subject() {
    tv::CCertificateSubject subject;
    subject.m_strOwner = "Backup Client";
    subject.m_strCountry = "DE";
    subject.m_strLocality = "Köln";
    subject.m_strOrganization = "Example";
    subject.m_strUnit = "IT";
    subject.m_strEmail = "backup@example.org";
    subject.m_nValidFrom = 1'700'000'000;
    subject.m_nValidTo = 4'000'000'000;  // past 2038: the dates are not 32-bit
    return subject;
}

class KeyFiles : public ::testing::Test {
  protected:
    tvtest::CTempDir m_dir;
    tv::IFileSystem& m_fs = tv::LocalFileSystem();
    std::string m_key = m_dir / "id_site";
};

TEST_F(KeyFiles, SshKeygenDerivesTheSamePublicKeyFromThePrivateFile) {
    ASSERT_EQ(tv::WriteSshKeyPair(m_fs, m_key, "user@site", ExistingFiles::Keep),
              KeyFileResult::Written);
    EXPECT_EQ(ModeOf(m_key), 0600u);
    const std::string pub = tvtest::ReadFile(m_key + ".pub");
    const CToolRun derived = RunTool("ssh-keygen -y -f " + Quote(m_key));
    ASSERT_EQ(derived.m_nStatus, 0) << derived.m_strOutput;
    // ssh-keygen prints the key with the comment stored in the private file.
    EXPECT_EQ(derived.m_strOutput, pub);
    EXPECT_TRUE(pub.starts_with("ssh-ed25519 ")) << pub;
    EXPECT_TRUE(pub.ends_with(" user@site\n")) << pub;

    // Every pair is new: two runs never give the same key.
    const std::string other = m_dir / "id_other";
    ASSERT_EQ(tv::WriteSshKeyPair(m_fs, other, "", ExistingFiles::Keep), KeyFileResult::Written);
    EXPECT_NE(tvtest::ReadFile(other + ".pub"), pub);
    EXPECT_EQ(RunTool("ssh-keygen -y -f " + Quote(other)).m_strOutput,
              tvtest::ReadFile(other + ".pub"));
}

TEST_F(KeyFiles, AnExistingKeyIsReplacedOnlyWhenAskedAndThenBecomesPrivate) {
    tvtest::WriteFile(m_key, "the key someone logs in with");
    chmod(m_key.c_str(), 0644);
    EXPECT_EQ(tv::WriteSshKeyPair(m_fs, m_key, "", ExistingFiles::Keep), KeyFileResult::Exists);
    EXPECT_EQ(tvtest::ReadFile(m_key), "the key someone logs in with");
    EXPECT_FALSE(fs::exists(m_key + ".pub"));

    // A lone public file is in the way too: it belongs to some other private key.
    const std::string lone = m_dir / "lone";
    tvtest::WriteFile(lone + ".pub", "ssh-ed25519 AAAA other\n");
    EXPECT_EQ(tv::WriteSshKeyPair(m_fs, lone, "", ExistingFiles::Keep), KeyFileResult::Exists);
    EXPECT_FALSE(fs::exists(lone));

    ASSERT_EQ(tv::WriteSshKeyPair(m_fs, m_key, "", ExistingFiles::Replace), KeyFileResult::Written);
    EXPECT_EQ(ModeOf(m_key), 0600u);
    EXPECT_EQ(RunTool("ssh-keygen -y -f " + Quote(m_key)).m_nStatus, 0);
}

TEST_F(KeyFiles, AFailedWriteLeavesTheOldKeyAndSaysWhy) {
    tvtest::WriteFile(m_key, "old");
    tvtest::CFaultFileSystem faulty(m_fs);
    faulty.Fail(tvtest::CFaultFileSystem::Op::Write, ENOSPC);
    std::string error;
    EXPECT_EQ(tv::WriteSshKeyPair(faulty, m_key, "", ExistingFiles::Replace, &error),
              KeyFileResult::Failed);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(tvtest::ReadFile(m_key), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Path()), {}), 1);
}

TEST_F(KeyFiles, CertificateFromOurKeyParsesVerifiesAndCarriesTheFields) {
    ASSERT_EQ(tv::WriteSshKeyPair(m_fs, m_key, "", ExistingFiles::Keep), KeyFileResult::Written);
    const std::string cert = m_dir / "client.cer";
    ASSERT_EQ(tv::WriteSelfSignedCertificate(m_fs, m_key, cert, Subject(), ExistingFiles::Keep),
              KeyFileResult::Written);
    EXPECT_EQ(ModeOf(cert), 0600u);  // it holds the private key

    const CToolRun text = RunTool("openssl x509 -noout -text -nameopt utf8 -in " + Quote(cert));
    ASSERT_EQ(text.m_nStatus, 0) << text.m_strOutput;
    for (const char* part : {"CN=Backup Client", "C=DE", "L=Köln", "O=Example", "OU=IT",
                             "backup@example.org", "ED25519", "TLS Web Client Authentication",
                             "Nov 14 22:13:20 2023 GMT", "Oct  2 07:06:40 2096 GMT"}) {
        EXPECT_NE(text.m_strOutput.find(part), std::string::npos) << part << text.m_strOutput;
    }
    const CToolRun verify = RunTool("openssl verify -CAfile " + Quote(cert) + " " + Quote(cert));
    EXPECT_EQ(verify.m_nStatus, 0) << verify.m_strOutput;
    // The key in the file is the one the certificate names: a TLS login can use the file alone.
    const CToolRun match = RunTool("test \"$(openssl x509 -noout -pubkey -in " + Quote(cert) +
                                   ")\" = \"$(openssl pkey -pubout -in " + Quote(cert) + ")\"");
    EXPECT_EQ(match.m_nStatus, 0) << match.m_strOutput;
}

// A key the user made with OpenSSH's own tool serves as well as one made here.
TEST_F(KeyFiles, CertificateFromAnSshKeygenKey) {
    ASSERT_EQ(RunTool("ssh-keygen -q -t ed25519 -N '' -C made -f " + Quote(m_key)).m_nStatus, 0);
    EXPECT_TRUE(tv::ReadsAsKey(m_fs, m_key));
    const std::string cert = m_dir / "client.cer";
    ASSERT_EQ(tv::WriteSelfSignedCertificate(m_fs, m_key, cert, Subject(), ExistingFiles::Keep),
              KeyFileResult::Written);
    EXPECT_EQ(RunTool("openssl verify -CAfile " + Quote(cert) + " " + Quote(cert)).m_nStatus, 0);
}

TEST_F(KeyFiles, CertificateFromAPemRsaKeySignsWithSha256) {
    ASSERT_EQ(
        RunTool("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out " + Quote(m_key))
            .m_nStatus,
        0);
    const std::string cert = m_dir / "client.cer";
    ASSERT_EQ(tv::WriteSelfSignedCertificate(m_fs, m_key, cert, Subject(), ExistingFiles::Keep),
              KeyFileResult::Written);
    const CToolRun text = RunTool("openssl x509 -noout -text -in " + Quote(cert));
    EXPECT_NE(text.m_strOutput.find("sha256WithRSAEncryption"), std::string::npos);
    EXPECT_EQ(RunTool("openssl verify -CAfile " + Quote(cert) + " " + Quote(cert)).m_nStatus, 0);
}

TEST_F(KeyFiles, CertificateRefusesMissingKeysBadFieldsAndExistingFiles) {
    const std::string cert = m_dir / "client.cer";
    const auto make = [&](const std::string& key, const tv::CCertificateSubject& subject) {
        return tv::WriteSelfSignedCertificate(m_fs, key, cert, subject, ExistingFiles::Keep);
    };
    EXPECT_EQ(make("", Subject()), KeyFileResult::NoKey);
    EXPECT_EQ(make(m_key, Subject()), KeyFileResult::NoKey);  // not there
    tvtest::WriteFile(m_key, "not a key");
    EXPECT_EQ(make(m_key, Subject()), KeyFileResult::NoKey);
    // An encrypted key is unreadable without its passphrase, and nobody is asked for one.
    ASSERT_EQ(
        RunTool("openssl genpkey -algorithm ED25519 -aes256 -pass pass:x -out " + Quote(m_key))
            .m_nStatus,
        0);
    EXPECT_EQ(make(m_key, Subject()), KeyFileResult::NoKey);
    EXPECT_FALSE(fs::exists(cert));

    ASSERT_EQ(tv::WriteSshKeyPair(m_fs, m_key, "", ExistingFiles::Replace), KeyFileResult::Written);
    tv::CCertificateSubject subject = Subject();
    subject.m_strCountry = "DEU";  // X.509 country codes have two letters
    EXPECT_EQ(make(m_key, subject), KeyFileResult::Failed);
    subject = Subject();
    subject.m_nValidTo = subject.m_nValidFrom;
    EXPECT_EQ(make(m_key, subject), KeyFileResult::Failed);
    EXPECT_FALSE(fs::exists(cert));

    tvtest::WriteFile(cert, "old certificate");
    EXPECT_EQ(make(m_key, Subject()), KeyFileResult::Exists);
    EXPECT_EQ(tvtest::ReadFile(cert), "old certificate");
}

// A damaged or cut key file is refused, never read past its bytes (the sanitizer builds watch
// the reads), and a change to the framing, the check words or the public half is noticed.
TEST(SshKeyCodec, DamagedKeyFilesAreRefused) {
    tv::Ed25519Bytes seed{};
    tv::Ed25519Bytes pub{};
    seed.fill(7);
    pub.fill(9);
    const std::string good = tv::EncodeOpenSshKey(seed, pub, "c", 42);
    ASSERT_EQ(tv::DecodeOpenSshKey(good), seed);
    size_t refused = 0;
    for (size_t at = good.find('\n') + 1; at < good.rfind("-----END"); ++at) {
        std::string damaged = good;
        if (damaged[at] != '\n') {
            damaged[at] = damaged[at] == 'A' ? 'B' : 'A';
            refused += tv::DecodeOpenSshKey(damaged).has_value() ? 0 : 1;
        }
    }
    // Only the seed's own bytes, the comment and the padding can change unnoticed.
    EXPECT_GT(refused, good.size() / 2);
    for (size_t cut = 0; cut + 1 < good.size(); cut += 5) {
        EXPECT_FALSE(tv::DecodeOpenSshKey(good.substr(0, cut)).has_value()) << cut;
    }
}

}  // namespace
