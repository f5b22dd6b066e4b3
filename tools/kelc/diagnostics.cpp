// Source diagnostics (see diagnostics.h).
#include "tools/kelc/diagnostics.h"

namespace kel::tools {

std::string FormatDiagnostic(const Diagnostic& diagnostic) {
    std::string text = diagnostic.where.file;
    if (diagnostic.where.line > 0) text += ":" + std::to_string(diagnostic.where.line);
    text += ": ";
    if (diagnostic.severity == Diagnostic::Severity::kWarning) text += "warning: ";
    text += diagnostic.message;
    return text;
}

void Diagnostics::Error(SourceLocation where, std::string message) {
    all_.push_back({Diagnostic::Severity::kError, std::move(where), std::move(message)});
    ++errorCount_;
}

void Diagnostics::Warning(SourceLocation where, std::string message) {
    all_.push_back({Diagnostic::Severity::kWarning, std::move(where), std::move(message)});
}

std::string Diagnostics::Text() const {
    std::string text;
    for (const Diagnostic& diagnostic : all_) text += FormatDiagnostic(diagnostic) + "\n";
    return text;
}

}  // namespace kel::tools
