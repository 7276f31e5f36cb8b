// Text of the shell integration: the Program Manager commands, the uninstall
// command line and the "Groups" reply. Pure logic: no platform headers.
#ifndef MARVANE_SHELLTEXT_H
#define MARVANE_SHELLTEXT_H

#include <cstddef>

// Capacities count the terminating zero. An argument is a name, a title or a
// path of up to SHELL_ARG_CHARS - 1 characters (the current directory can be that
// long); every buffer below holds its largest composition whole.
enum {
    SHELL_ARG_CHARS = 260,
    DDE_COMMAND_CHARS = 3 * (SHELL_ARG_CHARS - 1) + 32,       // AddItem: two paths and a title
    UNINSTALL_STRING_CHARS = 4 * (SHELL_ARG_CHARS - 1) + 32,  // three paths and a group
    GROUP_LIST_CHARS = 8192,
};

// Each composes one Program Manager command into dest (capacity cap), arguments
// unchanged: nothing is escaped, quotes stand only where the command shows them.
// A null argument counts as empty. When the command does not fit, dest receives
// the empty text and the result is false: a cut command is never sent.
bool ComposeCreateGroup(char* dest, size_t cap, const char* group);      // [CreateGroup(%s)]
bool ComposeDeleteGroup(char* dest, size_t cap, const char* group);      // [DeleteGroup(%s)]
bool ComposeDeleteItem(char* dest, size_t cap, const char* item);        // [DeleteItem("%s")]
bool ComposeAddItem(char* dest, size_t cap, const char* commandLine, const char* item,
                    const char* workingDir);                             // [AddItem("%s","%s",,,,,%s)]

// The remover's command line: "<dir>\remove.exe -f <dir> -d <data> -g <group>",
// or, quiet, "<dir>\remove.exe -q -f <dir> -d <data> -g <group>" (the remover's
// own switch comes before -f; package managers run that line for a removal
// without boxes). The remover's path alone is put in double quotes when it holds
// a blank, so that the system cannot start a shorter program name; the arguments
// stay unquoted because the remover reads them that way. Same failure rule as the
// commands.
bool ComposeRemoverLine(char* dest, size_t cap, bool quiet, const char* programDir, const char* dataDir,
                        const char* group);

inline bool ComposeUninstallString(char* dest, size_t cap, const char* programDir, const char* dataDir,
                                   const char* group)
{
    return ComposeRemoverLine(dest, cap, false, programDir, dataDir, group);
}

inline bool ComposeQuietUninstallString(char* dest, size_t cap, const char* programDir, const char* dataDir,
                                        const char* group)
{
    return ComposeRemoverLine(dest, cap, true, programDir, dataDir, group);
}

// The icon of the entry in the list of installed programs: the first icon of the
// product's program, "<dir>\Marvane.exe,0". Never quoted; same failure rule.
bool ComposeDisplayIcon(char* dest, size_t cap, const char* programDir);

// True when text holds a space or a tab.
bool HasBlank(const char* text);

// True when the group bears the product's own name, letter case ignored.
bool IsProductGroup(const char* group);

// Copies a "Groups" reply of replySize bytes (it ends at its first NUL, if any)
// into dest and terminates it. A reply that does not fit is cut at the last line
// boundary that does, so no name arrives cut short. Returns the length kept.
size_t FitGroupList(char* dest, size_t cap, const char* reply, size_t replySize);

// Splits a group list in place: returns the next non-empty name after *cursor,
// terminated where its line ends, and moves *cursor past it; null at the end.
// Carriage returns and line feeds separate names in any run.
char* NextGroupName(char** cursor);

#endif
