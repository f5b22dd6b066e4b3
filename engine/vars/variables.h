// The engine-level variable operations that the interpreter, the dialogs and the command
// handlers use: guarded writes, reads, $NAME$ substitution, path clean-up, the newline marker and
// the snapshot that crosses the plug-in boundary. Portable core; built on TVariableManager and
// the comma text of engine/base.
//
// The one process-wide store is Variables(): created on first use (case-insensitive, reads
// locked), never destroyed, so worker threads that outlive the interpreter still find it. Every
// function below works on it. Start-up hands it the command-line assignments and keeps its silent
// flag current (Variables().SetCommandLineOverrides, Variables().SetSilentMode). Code that needs a
// store of its own, tests above all, constructs a TVariableManager directly.
#pragma once

#include <string>
#include <string_view>

#include "engine/base/text_rules.h"
#include "engine/vars/variable_store.h"

namespace kel {

// The write reason of start-up's injection of the command-line assignments: the only write that
// may change a command-line value in a silent run.
inline constexpr std::string_view kInjectOverrideReason = "Inject Override Command Line";
// What dialog code asks ResolveVariableReference to return when no such variable exists.
inline constexpr std::string_view kMissingVariableMarker = "$QORVNX$";
// Line breaks inside values are stored as this marker.
inline constexpr std::string_view kNewlineMarker = "$NEWLINE$";

TVariableManager& Variables();

// The guarded write: an empty name does nothing; in a silent run a variable given on the command
// line keeps its value unless the reason is kInjectOverrideReason. The reason is a short label
// naming the writer ("Set Variable Action", "Initialization" ...).
void SetVariable(std::string_view name, std::string_view value, std::string_view reason);
// Empty text when undefined; VariableExists tells undefined and empty apart.
std::string GetVariable(std::string_view name);
bool VariableExists(std::string_view name);

std::string ExpandVariables(std::string_view text);
std::string ExpandVariablesQuoted(std::string_view text);

// Before every ExpandPath the engine makes the process's file functions use the ANSI code page;
// that is a platform call, so the Windows start-up installs it here. No hook: nothing is called.
using FileApisHook = void (*)();
void SetFileApisToAnsiHook(FileApisHook hook);

// Expands, then collapses every pair of backslashes into one (left to right, without overlap);
// a text that began with two backslashes after expansion keeps them, so a network path survives.
std::string ExpandPath(std::string_view text);

// NAME when the text is exactly "$NAME$" with a non-empty NAME free of "$"; otherwise empty.
std::string StripVariableReference(std::string_view text);
// The expanded value of the variable that the text names, as "$NAME$" or as the bare name; the
// missing marker when there is no such variable.
std::string ResolveVariableReference(std::string_view text, std::string_view missingMarker);

// CR LF pairs to kNewlineMarker, and back (the marker matched ignoring case).
std::string NewlinesToMarker(std::string_view text);
std::string MarkerToNewlines(std::string_view text);

// The whole store as comma text (name, value, name, value ...), and its replacement by such a
// text; a trailing unpaired item is ignored.
std::string SnapshotVariables();
void RestoreVariables(std::string_view commaText);

}  // namespace kel
