// vexalo-launch.exe, what the Start menu runs on Windows (vexalo-launch on Linux): starts Vexalo
// in the operator's own folder %APPDATA%\Vexalo, created on first use, with the installed voice
// copied in as ZSsounds when there is none. Vexalo keeps its settings and vexalo.conf in the
// folder it starts in. Arguments go to Vexalo unchanged; it runs without a console window.
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

void complain(const std::wstring &text)
{
    MessageBoxW(nullptr, text.c_str(), L"Vexalo", MB_OK | MB_ICONERROR);
}

// The installed voice into the folder, unless a voice is there already (a copy made before, the
// German one or the operator's own): a folder only appears whole, never half copied.
void provideVoice(const fs::path &installed, const fs::path &folder)
{
    const fs::path voice = folder / L"ZSsounds";
    std::error_code error;
    if (fs::exists(voice, error)) {
        return;
    }
    const fs::path partial = folder / L"ZSsounds.new";
    fs::remove_all(partial, error);
    fs::copy(installed, partial, fs::copy_options::recursive, error);
    if (!error) {
        fs::rename(partial, voice, error);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        complain(L"Cannot find where Vexalo is installed.");
        return 1;
    }
    const fs::path here = fs::path(self).parent_path();
    const wchar_t *appData = _wgetenv(L"APPDATA");
    if (!appData || !*appData) {
        complain(L"APPDATA is not set; cannot find your Vexalo folder.");
        return 1;
    }
    const fs::path folder = fs::path(appData) / L"Vexalo";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        complain(L"Cannot make the folder " + folder.wstring());
        return 1;
    }
    provideVoice(here / L"ZSsounds", folder);

    // Vexalo's own command line: its path, then this one's arguments as they were given.
    std::wstring arguments = GetCommandLineW();
    std::size_t at = 0;
    if (!arguments.empty() && arguments[0] == L'"') {
        at = arguments.find(L'"', 1);
        at = at == std::wstring::npos ? arguments.size() : at + 1;
    } else {
        at = arguments.find(L' ');
        at = at == std::wstring::npos ? arguments.size() : at;
    }
    const fs::path program = here / L"vexalo.exe";
    std::wstring line = L"\"" + program.wstring() + L"\"" + arguments.substr(at);

    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, folder.c_str(), &startup, &process)) {
        complain(L"Cannot start " + program.wstring());
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
