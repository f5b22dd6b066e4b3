// The kelpack command line (see kelpack_cli.h).
#include "tools/kelpack/kelpack_cli.h"

#include "tools/kelpack/setup_packer.h"

namespace kel::tools {
namespace {

constexpr const char* kUsage =
    "usage: kelpack --script SCRIPT --payload DIR (--msi FILE.msi | --msp FILE.msp) -o OUTDIR\n"
    "               [--bmp setup.bmp] [--messages TABLE.txt] [--engine kelstub.exe]\n"
    "               [--archive-lib kel.lib] [--name setup] [--7zz PROGRAM]\n"
    "  SCRIPT is a script source, a compiled script, or a setup program carrying one.\n"
    "  --engine and --archive-lib default to out/win32/ beside the tool's out/host/.\n";

}  // namespace

int RunKelpack(const std::vector<std::string>& args, const std::string& toolFolder,
               std::ostream& out, std::ostream& err) {
    PackOptions options;
    options.engine = DefaultEngine(toolFolder);
    options.archiveLibrary = DefaultArchiveLibrary(toolFolder);
    bool haveDatabase = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const std::size_t equals = option.find('=');
            option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        if (option == "-h" || option == "--help") {
            out << kUsage;
            return 0;
        }
        if (!value) {
            if (i + 1 == args.size() || option.empty() || option.front() != '-') {
                err << "kelpack: "
                    << (option.front() == '-' ? option + " needs a value"
                                              : "unexpected argument " + option)
                    << "\n"
                    << kUsage;
                return 1;
            }
            value = args[++i];
        }
        if (option == "--script") {
            options.script = *value;
        } else if (option == "--payload") {
            options.payload = *value;
        } else if (option == "--msi" || option == "--msp") {
            if (haveDatabase) {
                err << "kelpack: give one installer database (--msi or --msp)\n";
                return 1;
            }
            haveDatabase = true;
            options.database = *value;
            options.databaseIsPatch = option == "--msp";
        } else if (option == "--bmp") {
            options.bitmap = *value;
        } else if (option == "--messages") {
            options.messages = *value;
        } else if (option == "--engine") {
            options.engine = *value;
        } else if (option == "--archive-lib") {
            options.archiveLibrary = *value;
        } else if (option == "--name") {
            options.name = *value;
        } else if (option == "-o" || option == "--output") {
            options.outputFolder = *value;
        } else if (option == "--7zz") {
            options.sevenZip = *value;
        } else {
            err << "kelpack: unknown option " << option << "\n" << kUsage;
            return 1;
        }
    }
    PackReport report;
    std::string errors;
    if (!PackSetup(options, report, errors)) {
        std::size_t start = 0;
        while (start < errors.size()) {
            std::size_t end = errors.find('\n', start);
            if (end == std::string::npos) end = errors.size();
            err << "kelpack: " << errors.substr(start, end - start) << "\n";
            start = end + 1;
        }
        return 1;
    }
    for (const std::string& path : report.removed) out << "removed " << path << "\n";
    for (const std::string& path : report.written) out << "wrote " << path << "\n";
    return 0;
}

}  // namespace kel::tools
