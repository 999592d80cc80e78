#pragma once

namespace tv {

class CFtpDialogModel;
class IFileSystem;
class IUiDialogs;
struct CCertificateFields;

// What the FTP dialog's "Generate and save" and "Create" do: they make the files through the
// platform, ask before a file is replaced, say what came of it, and put the new file's name
// into the dialog's values. GUI thread (or headless tests); blocks on the user's answers and on
// disk I/O; not cancellable.
class CFtpKeyCommands {
  public:
    CFtpKeyCommands(IFileSystem& fs, CFtpDialogModel& model, IUiDialogs& dialogs)
        : m_fs(fs), m_model(model), m_dialogs(dialogs) {}

    // A new key pair under the key file's name (asked for when the field is empty). True when
    // the key file field changed.
    bool GenerateKeyPair();
    // Whether a certificate can be made: the key file names a key. Says "Key must be created."
    // when it does not, before the user fills in the certificate's fields.
    bool KeyExists();
    // A certificate of `fields` signed with the key file's key, under the certificate file's
    // name (asked for when the field is empty). True when the certificate file field changed.
    bool CreateCertificate(const CCertificateFields& fields);

  private:
    IFileSystem& m_fs;
    CFtpDialogModel& m_model;
    IUiDialogs& m_dialogs;
};

}  // namespace tv
