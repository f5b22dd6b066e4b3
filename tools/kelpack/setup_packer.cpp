// The setup packer (see setup_packer.h).
#include "tools/kelpack/setup_packer.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "engine/base/ansi_text.h"
#include "engine/base/pe_image.h"
#include "engine/script/compiled_script.h"
#include "engine/script/script_error.h"
#include "tools/common/file_io.h"
#include "tools/kelc/script_compiler.h"
#include "tools/kelc/script_dump.h"
#include "tools/kelpack/child_process.h"

namespace kel::tools {
namespace fs = std::filesystem;
namespace {

constexpr const char* kArchiveLibraryName = "kel.lib";
constexpr const char* kBitmapName = "setup.bmp";

// Whether `inner` is `outer` or lies inside it (paths resolved as far as they exist).
bool Contains(const std::string& outer, const std::string& inner) {
    std::error_code failed;
    const fs::path outerPath = fs::weakly_canonical(outer, failed);
    if (failed) return false;
    const fs::path innerPath = fs::weakly_canonical(inner, failed);
    if (failed) return false;
    auto [outerEnd, innerAt] =
        std::mismatch(outerPath.begin(), outerPath.end(), innerPath.begin(), innerPath.end());
    (void)innerAt;
    // A trailing separator gives an empty last element.
    return outerEnd == outerPath.end() ||
           (std::next(outerEnd) == outerPath.end() && outerEnd->empty());
}

class Packer {
public:
    Packer(const PackOptions& options, PackReport& report) : options_(options), report_(report) {}

    bool Run(std::string& errors) {
        CheckName();
        CheckInputs();
        if (!errors_.empty()) return Fail(errors);
        std::string script;
        std::string engine;
        std::string library;
        if (!ReadScript(script) || !ReadEngine(engine) || !ReadLibrary(library))
            return Fail(errors);

        std::error_code failed;
        fs::create_directories(options_.outputFolder, failed);
        if (failed) {
            errors_ +=
                options_.outputFolder + ": cannot create the folder: " + failed.message() + "\n";
            return Fail(errors);
        }
        const std::string name = options_.name;
        Write(name + ".exe", engine + script);
        // Keep the engine's permissions (executable bit) on the setup program.
        fs::permissions(OutputPath(name + ".exe"),
                        fs::status(options_.engine, failed).permissions(), failed);
        Write(kArchiveLibraryName, library);
        if (!errors_.empty()) return Fail(errors);
        if (!PackPayload(OutputPath(name + ".res"))) return Fail(errors);
        const std::string database = name + (options_.databaseIsPatch ? ".msp" : ".msi");
        const std::string otherDatabase = name + (options_.databaseIsPatch ? ".msi" : ".msp");
        Copy(options_.database, database);
        RemoveStale(otherDatabase);
        if (options_.bitmap) {
            Copy(*options_.bitmap, kBitmapName);
        } else {
            RemoveStale(kBitmapName);
        }
        if (!errors_.empty()) return Fail(errors);
        return true;
    }

private:
    bool Fail(std::string& errors) {
        errors = errors_;
        return false;
    }

    std::string OutputPath(const std::string& fileName) const {
        return (fs::path(options_.outputFolder) / fileName).string();
    }

    void CheckName() {
        const std::string& name = options_.name;
        if (name.empty() || name.find_first_of("/\\:") != std::string::npos || name == "." ||
            name == "..") {
            errors_ += "--name \"" + name +
                       "\" must be a plain file name without folder or "
                       "extension\n";
        } else if (FindIgnoreCase(name, ".exe") != std::string::npos) {
            // The engine finds its companion files by cutting the first ".exe" from its own name.
            errors_ += "--name \"" + name +
                       "\" must not contain \".exe\": the setup would look "
                       "for its .res and .msi under a shorter name\n";
        }
    }

    void CheckInputs() {
        auto needFile = [&](const std::string& path, const char* what) {
            std::error_code ignored;
            if (path.empty()) {
                errors_ += std::string("no ") + what + " given\n";
            } else if (!fs::is_regular_file(path, ignored)) {
                errors_ += path + ": " + what + " not found\n";
            }
        };
        needFile(options_.script, "script (--script)");
        needFile(options_.database, "installer database (--msi or --msp)");
        needFile(options_.engine, "engine (--engine)");
        needFile(options_.archiveLibrary, "archive library (--archive-lib)");
        if (options_.bitmap) needFile(*options_.bitmap, "splash picture (--bmp)");
        if (options_.messages) needFile(*options_.messages, "message table (--messages)");
        std::error_code ignored;
        if (options_.payload.empty()) {
            errors_ += "no payload folder (--payload) given\n";
        } else if (!fs::is_directory(options_.payload, ignored)) {
            errors_ += options_.payload + ": payload folder not found\n";
        }
        if (options_.outputFolder.empty()) {
            errors_ += "no output folder (-o) given\n";
        } else if (!options_.payload.empty() && Contains(options_.payload, options_.outputFolder)) {
            // The archive would take in the setup being written, the earlier setup with it.
            errors_ +=
                options_.outputFolder + ": the output folder lies inside the payload folder\n";
        }
    }

    std::optional<std::string> Read(const std::string& path) {
        std::string error;
        auto bytes = ReadWholeFile(path, &error);
        if (!bytes) errors_ += error + "\n";
        return bytes;
    }

    bool ReadScript(std::string& script) {
        auto bytes = Read(options_.script);
        if (!bytes) return false;
        std::string error;
        if (ReadPeLayout({reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size()})) {
            auto appended = CompiledScriptOf(*bytes, error);
            if (!appended) {
                errors_ += options_.script + ": " + error + "\n";
                return false;
            }
            script = std::string(*appended);
        } else if (LooksLikeCompiledScript(*bytes)) {
            script = std::move(*bytes);
        } else {
            DiskSourceFiles files;
            Diagnostics diagnostics;
            auto compiled = CompileScriptSource(options_.script, files, diagnostics);
            errors_ += diagnostics.Text();
            if (!compiled) return false;
            script = std::move(compiled->bytes);
            return true;
        }
        try {
            ScriptModel model;
            LoadScript(script, model);
        } catch (const ScriptError& e) {
            errors_ += options_.script + ": not a loadable compiled script: " + e.what() + "\n";
            return false;
        }
        return true;
    }

    // A bare engine: a PE image with nothing after it. Data after the image would be read as
    // (the start of) the script, and a certificate table would hide the appended script.
    bool ReadEngine(std::string& engine) {
        auto bytes = Read(options_.engine);
        if (!bytes) return false;
        const auto layout =
            ReadPeLayout({reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size()});
        if (!layout) {
            errors_ += options_.engine + ": not a Windows program\n";
            return false;
        }
        if (layout->certificateOffset) {
            errors_ += options_.engine +
                       ": the engine is signed; pack the unsigned engine and sign "
                       "the finished setup program afterwards\n";
            return false;
        }
        if (layout->imageEnd != bytes->size()) {
            errors_ += options_.engine + ": " + std::to_string(bytes->size() - layout->imageEnd) +
                       " bytes follow the engine's image (a setup program already, or a build "
                       "that was not stripped); give the bare engine\n";
            return false;
        }
        engine = std::move(*bytes);
        return true;
    }

    bool ReadLibrary(std::string& library) {
        auto bytes = Read(options_.archiveLibrary);
        if (!bytes) return false;
        const auto layout =
            ReadPeLayout({reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size()});
        if (!layout) {
            errors_ += options_.archiveLibrary + ": not a Windows library\n";
            return false;
        }
        if (options_.messages) {
            if (layout->certificateOffset) {
                errors_ += options_.archiveLibrary +
                           ": the library is signed; append the message "
                           "table to the unsigned library and sign it "
                           "afterwards\n";
                return false;
            }
            if (layout->imageEnd != bytes->size()) {
                errors_ += options_.archiveLibrary +
                           ": the library already carries a message "
                           "table; give the bare library\n";
                return false;
            }
            auto messages = Read(*options_.messages);
            if (!messages) return false;
            *bytes += *messages;
        }
        library = std::move(*bytes);
        return true;
    }

    void Write(const std::string& fileName, const std::string& bytes) {
        const std::string path = OutputPath(fileName);
        if (auto written = WriteWholeFile(path, bytes); !written.ok) {
            errors_ += written.error + "\n";
            return;
        }
        report_.written.push_back(path);
    }

    void Copy(const std::string& from, const std::string& fileName) {
        if (auto bytes = Read(from)) Write(fileName, *bytes);
    }

    void RemoveStale(const std::string& fileName) {
        const std::string path = OutputPath(fileName);
        std::error_code failed;
        if (!fs::exists(path, failed)) return;
        if (fs::remove(path, failed)) {
            report_.removed.push_back(path);
        } else {
            errors_ +=
                path + ": cannot remove this file of an earlier pack: " + failed.message() + "\n";
        }
    }

    bool PackPayload(const std::string& archive) {
        std::error_code failed;
        const std::string absoluteArchive = fs::absolute(archive, failed).string();
        // 7zz adds to an existing archive; the payload must be exactly the folder's contents.
        fs::remove(absoluteArchive, failed);
        if (failed) {
            errors_ += archive + ": cannot replace: " + failed.message() + "\n";
            return false;
        }
        const ChildResult run = RunChildProcess(
            {options_.sevenZip, "a", "-t7z", "-m0=LZMA2", "-bd", "-y", "--", absoluteArchive, "*"},
            options_.payload);
        if (!run.started) {
            errors_ +=
                "cannot run " + options_.sevenZip + " (from the 7zip package): " + run.error + "\n";
            return false;
        }
        if (run.exitCode != 0) {
            errors_ += options_.sevenZip + " failed (exit code " + std::to_string(run.exitCode) +
                       ") packing " + options_.payload + ":\n" + run.output;
            if (!run.output.empty() && run.output.back() != '\n') errors_ += "\n";
            fs::remove(absoluteArchive, failed);
            return false;
        }
        report_.written.push_back(archive);
        return true;
    }

    const PackOptions& options_;
    PackReport& report_;
    std::string errors_;
};

}  // namespace

bool PackSetup(const PackOptions& options, PackReport& report, std::string& errors) {
    return Packer(options, report).Run(errors);
}

std::string DefaultEngine(const std::string& toolFolder) {
    return (fs::path(toolFolder) / ".." / "win32" / "kelstub.exe").lexically_normal().string();
}

std::string DefaultArchiveLibrary(const std::string& toolFolder) {
    return (fs::path(toolFolder) / ".." / "win32" / kArchiveLibraryName)
        .lexically_normal()
        .string();
}

}  // namespace kel::tools
