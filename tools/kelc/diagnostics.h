// Messages about a script source, each tied to a file and line, in the form compilers print them
// ("file:line: message"). The compiler and the validation pass report through one Diagnostics
// collection; the command line prints it. Portable.
#pragma once

#include <string>
#include <vector>

namespace kel::tools {

// A place in a source file: the path as the tool opened it and the 1-based line an editor shows.
// Line 0 means the file as a whole.
struct SourceLocation {
    std::string file;
    int line = 0;
};

struct Diagnostic {
    enum class Severity { kError, kWarning };
    Severity severity = Severity::kError;
    SourceLocation where;
    std::string message;
};

// "file:line: message" (or "file: message" for line 0); warnings read "file:line: warning: ...".
std::string FormatDiagnostic(const Diagnostic& diagnostic);

class Diagnostics {
public:
    void Error(SourceLocation where, std::string message);
    void Warning(SourceLocation where, std::string message);

    bool HasErrors() const { return errorCount_ > 0; }
    const std::vector<Diagnostic>& All() const { return all_; }
    // Every diagnostic formatted, one per line.
    std::string Text() const;

private:
    std::vector<Diagnostic> all_;
    int errorCount_ = 0;
};

}  // namespace kel::tools
