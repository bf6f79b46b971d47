// uninstall.ini's record of what an installation put into its folder.
#include "setup/installrecord.h"
#include "core/usersettings.h"
#include "tests/support/testutil.h"

namespace {

class InstallRecordFile : public ScratchDirTest {};

TEST_F(InstallRecordFile, ComesBackAsWritten)
{
    InstallRecord record;
    record.program = dir_ + L"\\Word Book \x03B1";
    record.groupName = L"Wordbook";
    record.shortcutFolder = L"C:\\Start Menu\\Wordbook";
    record.shortcutFile = L"C:\\Start Menu\\Wordbook\\Wordbook.lnk";
    record.registryKey = UninstallKeyName(record.program);
    record.files = {{L"wordbook.exe", 1234567, 0xDEADBEEF}, {L"books\\english_nederlands.wb", 0, 0},
                    {L"name with spaces = and equals.txt", 5, 0x0000FFFF}};
    ASSERT_TRUE(WriteInstallRecord(L"uninstall.ini", record));

    InstallRecord back;
    ASSERT_TRUE(ReadInstallRecord(L"uninstall.ini", &back));
    EXPECT_EQ(record.program, back.program);
    EXPECT_EQ(record.groupName, back.groupName);
    EXPECT_EQ(record.shortcutFolder, back.shortcutFolder);
    EXPECT_EQ(record.shortcutFile, back.shortcutFile);
    EXPECT_EQ(record.registryKey, back.registryKey);
    ASSERT_EQ(record.files.size(), back.files.size());
    for (size_t i = 0; i < record.files.size(); ++i) {
        EXPECT_EQ(record.files[i].path, back.files[i].path);
        EXPECT_EQ(record.files[i].size, back.files[i].size);
        EXPECT_EQ(record.files[i].crc, back.files[i].crc);
    }
    // The system's profile reader finds the keys older tests and tools read.
    wchar_t text[MAX_PATH];
    GetPrivateProfileStringW(L"Dictionary", L"program", L"", text, MAX_PATH, (dir_ + L"\\uninstall.ini").c_str());
    EXPECT_EQ(record.program, text);
}

TEST_F(InstallRecordFile, DamagedLinesNeverReachOutsideTheFolder)
{
    WriteBytes(L"uninstall.ini", "[Dictionary]\r\nprogram=C:\\Wordbook\r\n[Files]\r\n"
                                 "1=ok.txt|3|ABC\r\n"
                                 "2=..\\..\\Windows\\win.ini|3|0\r\n"
                                 "3=C:\\Windows\\win.ini|3|0\r\n"
                                 "4=\\rooted.txt|3|0\r\n"
                                 "5=nosize.txt||0\r\n"
                                 "6=badcrc.txt|3|XYZ\r\n"
                                 "7=missing bars\r\n"
                                 "8=|3|0\r\n"
                                 "9=sub\\ok.wav|12|0\r\n");
    InstallRecord record;
    ASSERT_TRUE(ReadInstallRecord(L"uninstall.ini", &record));
    ASSERT_EQ(2u, record.files.size());
    EXPECT_EQ(L"ok.txt", record.files[0].path);
    EXPECT_EQ(0xABCu, record.files[0].crc);
    EXPECT_EQ(L"sub\\ok.wav", record.files[1].path);

    WriteBytes(L"noprogram.ini", "[Dictionary]\r\nname=x\r\n");
    EXPECT_FALSE(ReadInstallRecord(L"noprogram.ini", &record));
    EXPECT_FALSE(ReadInstallRecord(L"absent.ini", &record));
}

TEST_F(InstallRecordFile, FingerprintTellsAChangedFile)
{
    WriteBytes(L"check.txt", "123456789");
    uint64_t size = 0;
    uint32_t crc = 0;
    ASSERT_TRUE(FileFingerprint(L"check.txt", &size, &crc));
    EXPECT_EQ(9u, size);
    EXPECT_EQ(0xCBF43926u, crc);  // the check value of CRC-32
    InstalledFile file{L"check.txt", size, crc};
    EXPECT_TRUE(UnchangedSinceInstall(dir_, file));
    WriteBytes(L"check.txt", "123456780");
    EXPECT_FALSE(UnchangedSinceInstall(dir_, file));
    DeleteFileW(L"check.txt");
    EXPECT_FALSE(UnchangedSinceInstall(dir_, file));
}

TEST(UninstallKey, OneKeyPerFolder)
{
    const std::wstring a = UninstallKeyName(L"C:\\Users\\u\\AppData\\Local\\Programs\\Wordbook");
    EXPECT_EQ(0u, a.find(L"Wordbook-"));
    EXPECT_EQ(a, UninstallKeyName(L"c:\\users\\U\\appdata\\local\\programs\\wordbook\\"));
    EXPECT_NE(a, UninstallKeyName(L"C:\\Users\\u\\AppData\\Local\\Programs\\Woordenboek"));
}

} // namespace
