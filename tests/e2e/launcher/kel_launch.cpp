// Test launcher for end-to-end runs under Wine: starts a program with its own temporary folder
// (Wine takes TEMP and TMP from its registry, not from the Unix environment), answers every
// message box the program shows by pressing its default button while recording the box's caption
// and text, and returns the program's exit code.
//
//   kel_launch.exe TEMPDIR BOXLOG COMMANDLINE...
//
// Everything after BOXLOG is the child's command line, passed on verbatim. BOXLOG receives one
// line per box: caption, a tab, the text (CR LF as "\n", a lone CR as "\r").
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Skips one argument of a raw command line (quotes group), returning the rest after blanks.
const wchar_t* SkipArgument(const wchar_t* p, std::wstring* value) {
    while (*p == L' ' || *p == L'\t') ++p;
    bool quoted = false;
    while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
        if (*p == L'"') {
            quoted = !quoted;
        } else if (value) {
            value->push_back(*p);
        }
        ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

struct BoxSearch {
    DWORD processId;
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBoxes(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<BoxSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner == search->processId && IsWindowVisible(window) &&
        std::wstring(className) == L"#32770") {
        search->boxes.push_back(window);
    }
    return TRUE;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[4096] = {};
    SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void RecordAndAnswer(HWND box, FILE* log) {
    std::wstring text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == 0xFFFF) text = TextOf(child);  // the message text
    }
    std::wstring line = TextOf(box) + L"\t";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            // CR LF is one line break ("\n"); a lone CR, as engine boxes use it, is "\r".
            if (i + 1 < text.size() && text[i + 1] == L'\n') continue;
            line += L"\\r";
            continue;
        }
        line += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
    }
    if (log) {
        fwprintf(log, L"%ls\n", line.c_str());
        fflush(log);
    }
    // Post, never send: the box is modal in another process.
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

int wmain() {
    std::wstring tempDir, boxLog, self;
    const wchar_t* rest = SkipArgument(GetCommandLineW(), &self);
    rest = SkipArgument(rest, &tempDir);
    rest = SkipArgument(rest, &boxLog);
    if (tempDir.empty() || !*rest) {
        fwprintf(stderr, L"usage: kel_launch TEMPDIR BOXLOG COMMANDLINE...\n");
        return 200;
    }
    SetEnvironmentVariableW(L"TEMP", tempDir.c_str());
    SetEnvironmentVariableW(L"TMP", tempDir.c_str());
    FILE* log = _wfopen(boxLog.c_str(), L"w, ccs=UTF-8");

    std::wstring commandLine = rest;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        fwprintf(stderr, L"kel_launch: cannot start %ls (error %lu)\n", rest, GetLastError());
        return 201;
    }
    // Bounded: a setup that neither ends nor shows a box within two minutes is a failure.
    const DWORD deadline = GetTickCount() + 120000;
    std::vector<HWND> answered;
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
        BoxSearch search{process.dwProcessId, {}};
        EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.boxes) {
            bool seen = false;
            for (HWND old : answered) seen = seen || old == box;
            if (seen && IsWindow(box)) continue;
            Sleep(200);  // let the box finish drawing its texts
            RecordAndAnswer(box, log);
            answered.push_back(box);
        }
        if (GetTickCount() > deadline) {
            TerminateProcess(process.hProcess, 202);
            fwprintf(stderr, L"kel_launch: time-out, program ended\n");
            break;
        }
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (FILE* exitFile = _wfopen((boxLog + L".exit").c_str(), L"w")) {
        fprintf(exitFile, "%ld\n", static_cast<long>(exitCode));
        fclose(exitFile);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (log) fclose(log);
    return static_cast<int>(exitCode);
}
