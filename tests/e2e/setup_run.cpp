// End-to-end setup runs under Wine (see setup_run.h).
#include "setup_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "engine/script/compiled_script.h"

namespace kel::e2e {
namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::string WindowsPath(const fs::path& path) {
    std::string text = fs::absolute(path).lexically_normal().string();
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return "Z:" + text;
}

SetupRun::SetupRun(const std::string& name) {
    work = fs::path(KEL_E2E_WORK_DIR) / name;
    fs::remove_all(work);
    dist = work / "dist";
    temp = work / "temp";
    fs::create_directories(dist);
    fs::create_directories(temp);
}

void SetupRun::WriteEngine(const std::string& appended) {
    WriteBytes(Exe(), ReadBytes(fs::path(KEL_WIN32_OUT_DIR) / "kelstub.exe") + appended);
}

void SetupRun::WriteScript(const ScriptModel& model) { WriteEngine(WriteCompiledScript(model)); }

void SetupRun::WriteLibrary(const std::string& messageTable) {
    const fs::path library = fs::path(KEL_WIN32_OUT_DIR) / "kel.lib";
    WriteBytes(dist / "kel.lib", ReadBytes(library) + messageTable);
}

void SetupRun::WritePayload(const std::map<std::string, std::string>& files) {
    const fs::path folder = work / "payload";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& [name, content] : files) WriteBytes(folder / name, content);
    const fs::path archive = dist / (baseName + ".res");
    fs::remove(archive);
    const std::string command = "cd " + ShellQuote(folder.string()) + " && 7zz a -bd -bso0 -bsp0 " +
                                ShellQuote(archive.string()) + " . >/dev/null";
    if (RunShell(command) != 0) throw std::runtime_error("7zz failed for " + archive.string());
}

void SetupRun::WriteDatabase() {
    fs::copy_file(fs::path(KEL_FIXTURE_DIR) / "minimal.msi", dist / (baseName + ".msi"),
                  fs::copy_options::overwrite_existing);
}

void SetupRun::WriteCompleteSetup(const ScriptModel& model) {
    WriteScript(model);
    WriteLibrary();
    WritePayload({{"readme.txt", "payload file\r\n"}});
    WriteDatabase();
}

void SetupRun::Sign(const fs::path& file) {
    const fs::path fixtures(KEL_FIXTURE_DIR);
    const fs::path signedFile = file.string() + ".signed";
    const std::string command = "osslsigncode sign -h sha256 -certs " +
                                ShellQuote((fixtures / "signing-cert.pem").string()) + " -key " +
                                ShellQuote((fixtures / "signing-key.pem").string()) + " -in " +
                                ShellQuote(file.string()) + " -out " + ShellQuote(signedFile.string()) +
                                " >/dev/null";
    if (RunShell(command) != 0) throw std::runtime_error("osslsigncode failed for " + file.string());
    fs::rename(signedFile, file);
}

int SetupRun::Run(const std::vector<std::string>& arguments, bool withTrace) {
    std::string command = "wine " + ShellQuote((fs::path(KEL_WIN32_OUT_DIR) / "kel_launch.exe").string()) +
                          " " + ShellQuote(WindowsPath(temp)) + " " + ShellQuote(WindowsPath(BoxLogPath())) +
                          " " + ShellQuote(WindowsPath(Exe()));
    // Wine quotes every argument that holds a blank when it builds the Windows command line.
    if (withTrace) command += " " + ShellQuote("/l=" + WindowsPath(TracePath()));
    for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
    command += " </dev/null";
    fs::remove(BoxLogPath().string() + ".exit");
    const int status = RunShell(command);
    // The launcher records the full code; the shell sees only its low eight bits.
    std::ifstream exitFile(BoxLogPath().string() + ".exit");
    long full = 0;
    if (exitFile >> full) return static_cast<int>(full);
    return status;
}

std::vector<std::string> SetupRun::TraceLines() const {
    const std::string raw = ReadBytes(TracePath());
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const unsigned code = static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8);
        if (code == '\r') continue;
        if (code == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += code < 0x80 ? static_cast<char>(code) : '?';
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<MessageBoxSeen> SetupRun::Boxes() const {
    std::vector<MessageBoxSeen> boxes;
    std::ifstream in(BoxLogPath());
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        boxes.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return boxes;
}

std::vector<std::string> SetupRun::TempEntries() const {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(temp)) {
        entries.push_back(fs::relative(entry.path(), temp).generic_string());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool SetupRun::WineAvailable() {
    const char* prefix = std::getenv("WINEPREFIX");
    return prefix && *prefix && std::getenv("DISPLAY");
}

ScriptModel MakeScript(const std::vector<std::pair<std::string, std::vector<std::string>>>& statements) {
    ScriptModel model;
    int n = 0;
    for (const auto& [command, parameters] : statements) {
        char id[40];
        std::snprintf(id, sizeof id, "{%08X-0000-4000-8000-000000000000}", ++n);
        model.commands.Add(command);
        model.ids.Add(id);
        model.states.Add("");
        model.mediaNames.Add("");
        model.sourceMap.Add("C:\\project\\e2e.src*" + std::to_string(n - 1));
        if (parameters.empty()) continue;
        model.ParameterBlocks().Add(id);
        for (const std::string& parameter : parameters) model.ParameterBlocks().Add(EncodeListItem(parameter));
    }
    model.productCode = "{6E5B3F0A-8C1D-4B7E-9A2F-3D4C5B6A7E81}";
    model.projectTitle = "Kel Demo Product";
    model.revisionCode = "{3C0E7B62-5D1A-4F5E-8B3A-2A9C6D4E1F07}";
    model.defaultLanguage = "English";
    model.componentTable.Add("QORV-PREDEF-COMPONENT");
    model.componentTable.Add("0");
    return model;
}

}  // namespace kel::e2e
