// The application object: the installed-product check, and the end of a run (its result, the
// log, the completion message). The program's start is in ui/program.cpp.
#include "app/uninst_app.h"

#include "app/run_log.h"
#include "app/windows_version.h"
#include "platform/handles.h"

namespace {
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr DWORD kNameCapacity = 256;
}  // namespace

// The profile starts empty: every count 0 and every text empty until LoadProfile runs.
CUninstApp::CUninstApp() : mfc::CWinApp(), UninstallProfile{} {}

CUninstApp::~CUninstApp() = default;

void CUninstApp::ForgetRun() {
    m_options = CommandLine{};
    m_country = 1;
    m_countrySource = CountrySource::Default;
    m_result = RunResult{};
    m_ended = false;
    m_notes.clear();
    m_logRefused.clear();
    m_foundEntries.clear();
}

int CUninstApp::ExitInstance() {
    return static_cast<int>(m_result.ExitCode());
}

std::string CUninstApp::LogPath() const {
    return m_options.logPath.empty() ? DefaultLogPath() : m_options.logPath;
}

void CUninstApp::EndRun(const RunResult& result) {
    if (m_ended) return;
    m_ended = true;
    m_result = result;
    m_result.notes.insert(m_result.notes.begin(), m_notes.begin(), m_notes.end());
    m_logRefused = AppendToLog(LogPath(), RunLogBlock(m_result, Api().GetCommandLineA()),
                               m_options.logPath.empty());
}

std::string CUninstApp::CompletionMessage(const RunResult& result) const {
    std::string text = std::string(UnInstDrvPassMsg) + "\n\n" + UnInstDrvPassMsg2;
    if (result.ItemsLeft() > 0) {
        text += "\n\n" + std::to_string(result.ItemsLeft()) +
                " item(s) could not be removed. The log says which: " + LogPath();
    }
    if (!m_logRefused.empty())
        text += "\n\nNo log was written to " + LogPath() + ": " + m_logRefused;
    return text;
}

int CUninstApp::IsProductInstalled() {
    // The product's installer is a 32-bit program: on 64-bit Windows its entry lies in the 32-bit
    // view, which a 64-bit process reaches only by asking for it.
    // Every view is looked at: a run keeps its journal in each entry found, so that the one a
    // cut run leaves behind is found again.
    m_foundEntries.clear();
    const RegistryViews views = UninstallEntryViews();
    for (int v = 0; v < views.count; ++v) {
        std::string name = ListedNameInView(views.flags[v]);
        if (!name.empty()) m_foundEntries.push_back(ProductEntry{views.flags[v], std::move(name)});
    }
    return m_foundEntries.empty() ? 0 : 1;
}

std::string CUninstApp::ListedNameInView(DWORD view) const {
    UniqueKey uninstall;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS | view,
                            uninstall.put()) != ERROR_SUCCESS) {
        return {};
    }
    char name[kNameCapacity];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kNameCapacity;
        FILETIME written{};
        if (Api().RegEnumKeyExA(uninstall.get(), index, name, &nameLength, nullptr, nullptr,
                                nullptr, &written) != ERROR_SUCCESS) {
            return {};
        }
        UniqueKey entry;
        if (Api().RegOpenKeyExA(uninstall.get(), name, 0, KEY_ALL_ACCESS, entry.put()) !=
            ERROR_SUCCESS) {
            continue;
        }
        char displayName[kNameCapacity];
        displayName[0] = '\0';
        DWORD type = 0;
        DWORD size = kNameCapacity;
        const LONG read = Api().RegQueryValueExA(entry.get(), "DisplayName", nullptr, &type,
                                                 reinterpret_cast<BYTE*>(displayName), &size);
        // An absent value, or one too long for the buffer (whose contents are then undefined),
        // counts as the empty name; a value stored without its terminator is ended here.
        if (read != ERROR_SUCCESS) {
            displayName[0] = '\0';
        } else {
            displayName[size < kNameCapacity ? size : kNameCapacity - 1] = '\0';
        }
        entry.reset();
        // A name of 256 characters or more does not fit the buffer and ended the walk above.
        if (Api().lstrcmpiA(displayName, DrvUninstRegKeyName) == 0) return name;
    }
}
