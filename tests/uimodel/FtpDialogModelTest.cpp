// The FTP dialog's rules without widgets: what OK makes of the typed host and folder, which
// controls each protocol and proxy type enables, and what the main window stores.
#include <gtest/gtest.h>

#include "MainTestSupport.h"
#include "uimodel/FtpDialogModel.h"

namespace {

using tv::CFtpDialogModel;
using tv::FtpProtocol;
using tv::FtpProxyType;
using tv::FtpTransferType;

TEST(FtpDialogModel, OkNormalizesTheHostAndTheInitialFolder) {
    const std::pair<const char*, const char*> hosts[] = {
        {"ftp:/example.com", "ftp://example.com"},
        {"FTP://Example.com", "FTP://Example.com"},  // already right, in capitals: untouched
        {"Ftp:/x", "ftp://x"},
        {"ftp:x", "ftp://x"},
        {"  ftp://x \t", "ftp://x"},
        {"ftp.example.com", "ftp://ftp.example.com"},  // "ftp." is part of the name
        {"example.com", "ftp://example.com"},
        {"10.0.0.7", "ftp://10.0.0.7"},
    };
    for (const auto& [typed, stored] : hosts) {
        EXPECT_EQ(tv::NormalizeFtpHost(typed), stored) << typed;
    }
    const std::pair<const char*, const char*> folders[] = {
        {"/data//", "/data"}, {" /data/sub\\/ ", "/data/sub"},
        {"data", "data"},     {"/a b/", "/a b"},
        {"/", "/"},  // the root stays the root, not the login folder
        {"//", "/"},          {"", ""},
        {"   ", ""},
    };
    for (const auto& [typed, stored] : folders) {
        EXPECT_EQ(tv::NormalizeRemoteDir(typed), stored) << typed;
    }
}

TEST(FtpDialogModel, EachProtocolAndProxyTypeEnablesItsOwnControls) {
    CFtpDialogModel model{tv::CTag()};
    struct Expected {
        FtpProtocol protocol;
        bool keys;
        bool certificates;
    };
    const Expected protocols[] = {{FtpProtocol::Ftp, false, false},
                                  {FtpProtocol::Sftp, true, false},
                                  {FtpProtocol::FtpsNoData, true, true},
                                  {FtpProtocol::FtpsWithData, true, true},
                                  {FtpProtocol::FtpsImplicit, true, true}};
    for (const Expected& expected : protocols) {
        model.Values().m_nProtocol = static_cast<int32_t>(expected.protocol);
        EXPECT_EQ(model.KeyControlsEnabled(), expected.keys) << model.Values().m_nProtocol;
        EXPECT_EQ(model.CertificateControlsEnabled(), expected.certificates)
            << model.Values().m_nProtocol;
    }
    for (int type = 0; type < tv::kFtpProxyTypeCount; ++type) {
        model.Values().m_nProxyType = type;
        EXPECT_EQ(model.ProxyFieldsEnabled(), type != 0) << type;
    }
    EXPECT_FALSE(model.TimeZoneHoursEnabled());
    model.Values().m_bManualTimeZone = 1;
    EXPECT_TRUE(model.TimeZoneHoursEnabled());

    // Turning the own settings on keeps the transfers binary, as they were; a choice made
    // while they are on is kept.
    EXPECT_FALSE(model.ConnectionFieldsEnabled());
    model.SetOwnConnectSettings(true);
    EXPECT_TRUE(model.ConnectionFieldsEnabled());
    EXPECT_EQ(model.Values().m_nTransferType, static_cast<uint32_t>(FtpTransferType::Binary));
    model.Values().m_nTransferType = static_cast<uint32_t>(FtpTransferType::Ascii);
    model.SetOwnConnectSettings(true);
    EXPECT_EQ(model.Values().m_nTransferType, static_cast<uint32_t>(FtpTransferType::Ascii));
}

TEST(FtpDialogModel, StoringMakesAFolderLocationAnFtpSite) {
    tv::CTag folder;
    folder.m_strPath = "/home/ann/Pictures";
    folder.m_timeStamp = 1'700'000'000;
    CFtpDialogModel model(folder);
    model.Values().m_strSiteName = "nas";
    model.Values().m_strHost = " ftp:/nas.local ";
    model.Values().m_nPort = 0;
    model.Values().m_strRemoteDir = "/pictures/";
    model.Accept();
    tv::CTag stored = folder;
    model.StoreInto(stored);
    EXPECT_EQ(stored.m_strPath, "");
    EXPECT_EQ(stored.m_bIsFtp, 1);
    EXPECT_EQ(stored.m_strHost, "ftp://nas.local");
    EXPECT_EQ(stored.m_strRemoteDir, "/pictures");
    EXPECT_EQ(stored.m_nPort, 21);
    EXPECT_EQ(stored.m_timeStamp, 0);
    EXPECT_EQ(stored.DisplayPath(), "(FTP)nas");

    model.Values().m_nPort = 2121;
    model.StoreInto(stored);
    EXPECT_EQ(stored.m_nPort, 2121);
}

class FtpButtons : public tvtest::CMainTest {
  protected:
    void StoreSite(tv::Side side, const std::string& name) {
        tv::CTaskEditor& editor = m_presenter->Editor();
        CFtpDialogModel model(editor.FtpLocation(side));
        model.Values().m_strSiteName = name;
        model.Values().m_strHost = "example.com";
        model.Accept();
        editor.StoreFtpLocation(side, model);
    }
};

// The target field's FTP site replaces the target it shows in the edit copy; ADD then keeps
// that target and appends the site, as with a folder chosen by "...".
TEST_F(FtpButtons, ASiteTakesTheFieldsPlaceAndALockedTaskKeepsItsLocations) {
    tv::CTaskEditor& editor = m_presenter->Editor();
    const int row = AddTask("1");
    const std::string firstTarget = editor.TargetText();
    StoreSite(tv::Side::Source, "upstream");
    EXPECT_EQ(editor.SourceText(), "(FTP)upstream");
    EXPECT_TRUE(editor.EditsPending());
    StoreSite(tv::Side::Target, "");
    EXPECT_EQ(editor.TargetText(), "(FTP)");  // a site without a name is still a site
    editor.AddTarget();
    EXPECT_EQ(editor.TargetRows(), (std::vector<std::string>{firstTarget, "(FTP)"}));
    editor.ApplyEdits();
    EXPECT_EQ(TaskAt(row).m_Source.m_strHost, "ftp://example.com");
    EXPECT_TRUE(TaskAt(row).m_Targets[1].m_bIsFtp);

    EXPECT_TRUE(editor.SetLocked(true));
    editor.ApplyEdits();
    StoreSite(tv::Side::Source, "other");
    EXPECT_FALSE(editor.EditsPending());
    EXPECT_EQ(editor.SourceText(), "(FTP)upstream");
}

}  // namespace
