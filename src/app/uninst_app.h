// The application object and the in-memory image of the one profile section in use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run_result.h"
#include "framework/afx.h"

inline constexpr int kTableRows = 15;

// The rows of a table or list that its count puts in use. Counts come from the profile (or from a
// scan) and every walk trusts them, so a negative count walks no row and a count beyond the
// capacity (15 rows for the tables, 10 entries for the enumerator-key lists) walks no further.
inline int RowsInUse(std::int32_t count, int capacity = kTableRows) {
    return count < 0 ? 0 : (count > capacity ? capacity : static_cast<int>(count));
}

// One row of a device table.
struct DeviceEntry {
    char ID[128];    // hardware-ID prefix
    char Name[128];  // driver description ("DriverDesc")
    char SYS[128];   // driver file name
    char INF[128];   // INF file name
};

// Every setting of the profile section in use, in the order the fields are laid out.
struct UninstallProfile {
    std::int32_t DevIDNum;
    std::int32_t ExtDevIDNum;
    DeviceEntry DevTable[kTableRows];
    DeviceEntry ExtDevTable[kTableRows];
    std::int32_t ExtDllFileNum;
    char ExtCopyFiles[kTableRows][260];
    std::int32_t PossibleDevIDNum;
    DeviceEntry PossibleDevTable[kTableRows];
    char ProfileSection[32];
    char DrvUninstRegKeyPath[128];
    char DrvUninstRegKeyName[128];
    char DrvUninstAppName[128];
    char UnInstDrvAppTitle[260];
    char UnInstNoRegKeyMsg[260];
    char UnInstDrvPassMsg[260];
    char UnInstDrvPassMsg2[260];
    char UnInstDrvRunTipMsg[260];
    char MediaClass[128];
    std::int32_t UnInstServiceNum;
    char ServiceNames[kTableRows][260];
    char UnInstRemoteTitleName[260];
    char OKText[32];
    char UnInstDevMissingMsg[260];
};

// An entry of the list of installed programs that names the product: its subkey of the uninstall
// key, and the registry view it lies in (a KEY_WOW64_* flag, or 0 for the process's own).
struct ProductEntry {
    DWORD view;
    std::string name;
};

class CUninstApp : public mfc::CWinApp, public UninstallProfile {
public:
    CUninstApp();
    ~CUninstApp() override;

    BOOL InitInstance() override;
    // The program's exit code: the last run's result read as one.
    int ExitInstance() override;

    int LoadProfile();
    int GetCountryCode();
    static std::int32_t ParseHexCount(const char* text);
    int IsProductInstalled();

    // The end of a run, however it ended: its result is kept for the exit code and its block is
    // appended to the log, once.
    void EndRun(const RunResult& result);
    const RunResult& LastResult() const { return m_result; }
    const CommandLine& Options() const { return m_options; }
    // A line for this run's log about where it runs; kept until the run ends.
    void Note(const std::string& line) { m_notes.push_back(line); }
    // Back to the state before any run: no options, no result (for a fresh start in tests).
    void ForgetRun();
    void SetOptions(const CommandLine& options) { m_options = options; }
    // Where this run's log goes: /log= or the default.
    std::string LogPath() const;
    // The entries the installed check found, one per view that lists the product: the entries
    // that a run's journal goes in.
    const std::vector<ProductEntry>& FoundEntries() const { return m_foundEntries; }

    // Where the country that picked the profile's section came from, for the log: "country 49
    // from /country=", "country 49 from the user's settings", "no country setting".
    std::string CountryOrigin() const;

    // The completion message: the profile's two paragraphs, and for a run that left something
    // behind, how many items and where the log is.
    std::string CompletionMessage(const RunResult& result) const;

private:
    enum class CountrySource { Default, UserSettings, Option };
    CommandLine m_options;
    int m_country = 1;
    CountrySource m_countrySource = CountrySource::Default;
    RunResult m_result;
    bool m_ended = false;
    std::vector<std::string> m_notes;
    // Why the log was not written where it should go; empty when it was.
    std::string m_logRefused;
    std::vector<ProductEntry> m_foundEntries;

    // The first entry of the list of installed programs in that registry view (a KEY_WOW64_*
    // flag, or 0 for the process's own) that has the product's DisplayName; empty when none has.
    std::string ListedNameInView(DWORD view) const;
};

// The one application object.
extern CUninstApp theApp;

// The NT device class key that MediaClass selects, relative to HKEY_LOCAL_MACHINE.
extern char ClassKeyPath[256];
void SelectClassKeyPath();

// Puts every piece of program-wide state back to its start-of-program value (all zero or empty),
// so that each test starts from a freshly started program.
void ResetProgramState();
