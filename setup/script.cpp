// install.inf: header keywords read at start-up, commands run at installation.
#include "setup/setup.h"
#include "core/fileutil.h"
#include "core/uistrings.h"
#include "core/usersettings.h"

namespace {

struct ScriptLine {
    std::string text;
    int number;
};

// A keyword counts when the line's first letters equal its first `letters`
// letters, so "SUBfolder" is taken as "subdir".
bool Is(const std::string& line, const char* keyword, size_t letters)
{
    return line.size() >= letters && EqualFoldAZ(line.substr(0, letters), std::string(keyword, letters));
}

void NoteIgnored(const ScriptLine& line)
{
    UnattendedNote(L"install.inf, line " + std::to_wstring(line.number) + L": argument missing, line ignored: " +
                   WidenText(line.text, g_interfaceCodePage));
}

// Everything after the first space; false (and noted) when there is nothing.
bool OneArgument(const ScriptLine& line, std::string* value)
{
    size_t space = line.text.find(' ');
    if (space == std::string::npos || space + 1 >= line.text.size()) {
        NoteIgnored(line);
        return false;
    }
    *value = line.text.substr(space + 1);
    return true;
}

// The arguments after the keyword, runs of blanks counting as one separator.
std::vector<std::wstring> Arguments(const std::string& text)
{
    std::vector<std::wstring> args;
    size_t i = 0;
    bool first = true;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start && !first)
            args.push_back(WidenText(text.substr(start, i - start), g_interfaceCodePage));
        first = false;
    }
    return args;
}

template <class Handler>
void ForEachScriptLine(Handler handle)
{
    UniqueFile f(_wfopen((WithBackslash(g_startDir) + L"install.inf").c_str(), L"rb"));
    if (!f)
        SetupFatal(L"Can't open INSTALL.INF");
    ScriptLine line{{}, 0};
    while (ReadTextLine(f.get(), line.text)) {
        ++line.number;
        if (line.text.empty() || line.text[0] == '#')
            continue;
        handle(line);
    }
}

void CopyOne(const std::wstring& from, const std::wstring& to)
{
    ShowCopyStatus(to);
    // The installed word book may hold words the user added.
    if (InWordBookFolder(to) && !KeepReplacedWordBook(to, from))
        return;
    if (CopyFileW(from.c_str(), to.c_str(), FALSE))
        NoteWrittenFile(to);
    else
        NoteFailure(to, GetLastError());
}

// Copies the files (not directories, hidden ones too) matching pattern in sourceDir.
void CopyMatching(const std::wstring& sourceDir, const std::wstring& pattern, const std::wstring& destDir)
{
    // The pattern may name a subdirectory of its own: the files are found there.
    std::wstring from = sourceDir;
    size_t slash = pattern.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        from += pattern.substr(0, slash + 1);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((sourceDir + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        // No file matching is no failure; a folder missing from the medium is.
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            NoteFailure(sourceDir + pattern, error);
        return;
    }
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyOne(from + fd.cFileName, destDir + fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

// The script's settings, stored together once its commands have run.
std::vector<SettingChange> g_settings;

// Script bytes are taken in the ANSI code page, as win.ini's writer took them.
void AddSetting(const std::wstring& key, const std::string& value)
{
    g_settings.push_back({key, WidenText(value, CP_ACP)});
}

void RunCommand(const ScriptLine& line)
{
    const std::string& text = line.text;
    const std::wstring source = WithBackslash(g_startDir);
    const std::wstring target = WithBackslash(g_targetDir);
    std::string value;
    auto wide = [](const std::string& s) { return WidenText(s, g_interfaceCodePage); };

    if (Is(text, "mkdir", 5)) {
        if (OneArgument(line, &value))
            MakeDirectory(target + wide(value));
    } else if (Is(text, "iconname", 8)) {
        if (OneArgument(line, &value)) {
            g_script.iconName = wide(value);
            g_script.wantShortcut = true;
        }
    } else if (Is(text, "avidelay", 8)) {
        if (OneArgument(line, &value))
            AddSetting(Str(Txt_AviDelay), value);
    } else if (Is(text, "setini", 6)) {
        size_t space = text.find(' ');
        size_t equals = space == std::string::npos ? space : text.find('=', space + 1);
        if (equals == std::string::npos || equals == space + 1)
            NoteIgnored(line);
        else
            AddSetting(WidenText(text.substr(space + 1, equals - space - 1), CP_ACP), text.substr(equals + 1));
    } else if (Is(text, "icongroup", 9)) {
        if (OneArgument(line, &value))
            g_script.iconGroup = wide(value);
    } else if (Is(text, "iconexe", 7)) {
        if (OneArgument(line, &value))
            g_script.iconExe = wide(value);
    } else if (Is(text, "display", 7)) {
        if (OneArgument(line, &value))
            g_script.displayFile = wide(value);
    } else if (Is(text, "mkwlist", 7)) {
        g_script.mkwlist = true;
    } else if (Is(text, "copy", 4)) {
        auto args = Arguments(text);
        if (args.size() < 2)
            NoteIgnored(line);
        else
            CopyOne(source + args[0], target + args[1]);
    } else if (Is(text, "xcopy", 5)) {
        auto args = Arguments(text);
        if (args.empty())
            NoteIgnored(line);
        else
            CopyMatching(source, args[0], args.size() > 1 ? WithBackslash(target + args[1]) : target);
    } else if (Is(text, "sndcopy", 7)) {
        auto args = Arguments(text);
        if (args.size() < 2)
            NoteIgnored(line);
        else
            CopyMatching(WithBackslash(source + args[0]), L"*.*", WithBackslash(target + args[1]));
    }
}

} // namespace

void ReadScriptHeader()
{
    ForEachScriptLine([](const ScriptLine& line) {
        const std::string& text = line.text;
        std::string value;
        auto wide = [](const std::string& s) { return WidenText(s, g_interfaceCodePage); };
        if (Is(text, "title", 5)) {
            if (OneArgument(line, &value))
                g_script.title = wide(value);
        } else if (Is(text, "dir", 3)) {
            if (OneArgument(line, &value))
                g_targetDir = wide(value);
        } else if (Is(text, "subdir", 3)) {
            if (OneArgument(line, &value))
                g_targetDir = WithBackslash(g_targetDir) + wide(value);
        } else if (Is(text, "wbarg", 5)) {
            if (OneArgument(line, &value))
                g_script.wbarg = wide(value);
        } else if (Is(text, "debug", 5)) {
            g_detailedDisplay = true;
        }
    });
    // Only the file's place is known yet; it is written where the installation
    // actually goes (RunScript), never before the user has agreed.
    g_script.uninstallPath = WithBackslash(g_targetDir) + L"uninstall.ini";
}

void RunScript()
{
    g_script.uninstallPath = WithBackslash(g_targetDir) + L"uninstall.ini";
    g_settings.clear();
    ForEachScriptLine(RunCommand);
    if (!g_settings.empty() && !StoreSettings(g_settings)) {
        DWORD error = GetLastError();
        NoteFailure(SettingsFilePath(), error ? error : ERROR_WRITE_FAULT);
    }
    g_settings.clear();
}
