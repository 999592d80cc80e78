#include "uimodel/FtpDialogStrings.h"

#include "base/StringTable.h"

namespace tv {

void AddFtpDialogStrings() {
    AddBuiltInStrings({
        {IDS_FTPDLG_CAPTION, "FTP Dialog"},
        {IDS_FTPDLG_PROTOCOL, "&Protocol:"},
        {IDS_FTPDLG_NAME, "&Name:"},
        {IDS_FTPDLG_HOST, "&Host:"},
        {IDS_FTPDLG_PORT, "P&ort:"},
        {IDS_FTPDLG_USER, "&UserID:"},
        {IDS_FTPDLG_PASSWORD, "Pass&wd:"},
        {IDS_FTPDLG_INITIAL_DIR, "&Initial dir:"},
        {IDS_FTPDLG_PASSIVE, "Passi&ve Mode"},
        {IDS_FTPDLG_TRANSFER_TYPE, "Transfer t&ype:"},
        {IDS_FTPDLG_TIME_ZONE, "Set manually time &zone shift:"},
        {IDS_FTPDLG_KEY_GROUP, "Key Management"},
        {IDS_FTPDLG_USE_KEY, "Use &key:"},
        {IDS_FTPDLG_GENERATE_KEY, "&Generate and save"},
        {IDS_FTPDLG_BROWSE, "..."},
        {IDS_FTPDLG_CERT_GROUP, "Certificate Management"},
        {IDS_FTPDLG_USE_CERT, "Use &certificate:"},
        {IDS_FTPDLG_CREATE_CERT, "Crea&te"},
        {IDS_FTPDLG_PROXY_GROUP, "Proxy settings"},
        {IDS_FTPDLG_PROXY_TYPE, "Pro&xy type:"},
        {IDS_FTPDLG_PROXY_ADDRESS, "Addr&ess:"},
        {IDS_FTPDLG_PROXY_PORT, "Po&rt:"},
        {IDS_FTPDLG_PROXY_USER, "U&serID:"},
        {IDS_FTPDLG_PROXY_PASSWORD, "Passw&d:"},
        {IDS_FTPDLG_ADVANCED, "&Advanced"},

        {IDS_FTPDLG_PROTOCOL_FIRST, "FTP"},
        {IDS_FTPDLG_PROTOCOL_FIRST + 1, "SFTP"},
        {IDS_FTPDLG_PROTOCOL_FIRST + 2, "FTPSnodata"},
        {IDS_FTPDLG_PROTOCOL_FIRST + 3, "FTPSwithdata"},
        {IDS_FTPDLG_PROTOCOL_FIRST + 4, "FTPSimplicit"},
        {IDS_FTPDLG_PROXY_FIRST, "No proxy is used"},
        {IDS_FTPDLG_PROXY_FIRST + 1, "SOCKS4 proxy"},
        {IDS_FTPDLG_PROXY_FIRST + 2, "SOCKS5 proxy"},
        {IDS_FTPDLG_PROXY_FIRST + 3, "Typical WEB proxy"},
        {IDS_FTPDLG_PROXY_FIRST + 4, "Simple relay"},
        {IDS_FTPDLG_PROXY_FIRST + 5, "SOCKS4a proxy"},
        {IDS_FTPDLG_PROXY_FIRST + 6, "same as Internet Explorer"},
        {IDS_FTPDLG_TRANSFER_FIRST, "ASCII"},
        {IDS_FTPDLG_TRANSFER_FIRST + 1, "BINARY"},
        {IDS_FTPDLG_TRANSFER_FIRST + 2, "AUTO"},

        {IDS_FTPADV_CAPTION, "Connection settings"},
        {IDS_FTPADV_OWN_SETTINGS, "&Overwrite default settings"},
        {IDS_FTPADV_TIMEOUT, "Connection &time-out value (ms):"},
        {IDS_FTPADV_RETRIES, "Connection &retries count:"},

        {IDS_FTPPSW_CAPTION, "FTP Password"},
        {IDS_FTPPSW_TEXT, "Enter please password to connect to FTP server:"},

        {IDS_CERT_CAPTION, "Certificate"},
        {IDS_CERT_BITS, "&Bit count:"},
        {IDS_CERT_OWNER, "&Owner name:"},
        {IDS_CERT_COUNTRY, "&Country:"},
        {IDS_CERT_LOCALITY, "&Locality:"},
        {IDS_CERT_ORGANIZATION, "Or&ganization:"},
        {IDS_CERT_UNIT, "Organization &unit:"},
        {IDS_CERT_VALID_FROM, "&Valid from:"},
        {IDS_CERT_VALID_TO, "&to:"},
        {IDS_CERT_EMAIL, "&Email:"},

        {IDS_FTPDLG_TIP_BUTTON, "Make this location an FTP, SFTP or FTPS site"},
        {IDS_FTPDLG_TIP_HOST,
         "The server's name or address; \"ftp://\" is put in front when it is missing"},
        {IDS_FTPDLG_TIP_PASSWORD,
         "Leave it empty to be asked for the password each time the site is connected"},
        {IDS_FTPDLG_TIP_INITIAL_DIR,
         "To synchronize only certain file via FTP set file name in Initial dir field of FTP "
         "settings window"},
        {IDS_FTPDLG_TIP_TIME_ZONE,
         "Hours added to the file times the server lists, for a server whose clock or time zone "
         "is off"},
        {IDS_FTPDLG_TIP_GENERATE,
         "Makes a new key pair: the private key under the key file's name, the public key for "
         "the server beside it with \".pub\""},
        {IDS_FTPDLG_TIP_KEY_FILE, "Choose the key file"},
        {IDS_FTPDLG_TIP_CERT_FILE, "Choose the certificate file"},
        {IDS_FTPDLG_TIP_ADVANCED, "Connection time-out, retries and transfer type of this site"},
        {IDS_FTPDLG_TIP_PASSIVE,
         "This computer opens the data connections: needed behind most firewalls and routers"},
        {IDS_FTPADV_TIP_OWN_SETTINGS,
         "Use the values below for this site instead of the program's defaults"},
        {IDS_FTPADV_TIP_TRANSFER_TYPE,
         "BINARY copies files byte for byte; ASCII changes the line ends of text files"},
        {IDS_FTPDLG_TIP_CREATE_CERT,
         "Makes a self-signed certificate for the key in the key file; the file holds both"},

        {IDS_FTPKEY_REPLACE,
         "The file already exists. Replace it? Whoever logs in with the old key "
         "can no longer do so."},
        {IDS_FTPKEY_SAVE_TITLE, "Save key as"},
        {IDS_FTPKEY_SAVED,
         "The key was saved. Add its public key to the server's authorized keys:"},
        {IDS_FTPKEY_FAILED, "Can't save the key."},
        {IDS_FTPCERT_NEED_KEY, "Key must be created."},
        {IDS_FTPCERT_FAILED, "Can't create Certificate object."},
        {IDS_FTPCERT_REPLACE, "The certificate file already exists. Replace it?"},
        {IDS_FTPCERT_SAVE_TITLE, "Save certificate as"},
    });
}

}  // namespace tv
