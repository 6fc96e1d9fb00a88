// Runs one scenario folder on the simulated machine. Prints the end state on standard output, in
// the form the Wine run prints it, and one line per check on standard error. Exit code: 0 when
// every check held, 1 when one failed, 2 when the folder could not be run.
#include <iostream>

#include "support/scenario.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: scenario_sim <scenario folder>\n";
        return 2;
    }
    try {
        const scenario::Scenario s = scenario::Load(argv[1]);
        const scenario::RunResult result = scenario::Run(s);
        int passed = 0, failed = 0;
        for (const scenario::CheckResult& check : result.checks) {
            ++(check.passed ? passed : failed);
            std::cerr << (check.passed ? "pass " : "FAIL ") << check.line;
            if (!check.passed) std::cerr << "  (" << check.detail << ")";
            std::cerr << "\n";
        }
        for (const std::string& handle : result.openHandles) {
            ++failed;
            std::cerr << "FAIL handle left open: " << handle << "\n";
        }
        std::cout << scenario::EndStateText(result);
        for (int code : result.exitCodes) std::cerr << "exit code " << code << "\n";
        std::cerr << "--- log\n" << result.log << "--- end log\n";
        std::cerr << passed << " passed, " << failed << " failed\n";
        return failed == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "scenario_sim: " << e.what() << "\n";
        return 2;
    }
}
