#pragma once

// Running the real consumers the scenario tests check against (Python's geographiclib and
// pynmea2, GPSBabel, xmllint), and a folder of files for them that is removed afterwards.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace pelora::testing {

struct ProgramRun {
    int status = -1;     // the exit status; -1 when the program could not run
    std::string output;  // standard output and standard error together
};

inline ProgramRun runProgram(const std::string& command) {
    ProgramRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.output.append(buffer.data(), got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelora-scenario-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes `text` to the file `name` in the folder and gives its path.
    std::string write(const std::string& name, const std::string& text) const {
        const std::string path = m_path + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace pelora::testing
