#include "install/progdir.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "install/dirsecurity.h"
#include "install/messages.h"
#include "install/prompts.h"
#include "install/secjudge.h"
#include "payload/paths.h"
#include "resources/resource.h"
#include "startup/state.h"

namespace {

// The accounts that may own and change the program directory besides the user
// who runs the Installer, their SIDs end to end: the Administrators (S-1-5-32-544),
// SYSTEM (S-1-5-18) and TrustedInstaller, the service that owns what Windows itself
// installs (S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464).
const DWORD kTrustedSids[15] = {0x0201, 0x05000000, 32, 544,
                                0x0101, 0x05000000, 18,
                                0x0601, 0x05000000, 80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u};

// The length of the volume's root at the start of a full path, "C:\\" or
// "\\\\server\\share\\" (without that last backslash when the path ends first). The
// share's name is read byte by byte: one with a double-byte character whose second
// byte is "\\" is cut there, and its volume is then not found (rights are given).
size_t RootLength(const char* path)
{
    if (path[0] && path[1] == ':')
        return 3;
    const char* c = path + 2;
    for (int separators = 0; *c; ++c)
        if (*c == '\\' && ++separators == 2)
            return c - path + 1;
    return c - path;
}

// Whether `dir` (a full path) gets rights of its own: below a drive's root, on a
// volume that keeps file security. A volume that cannot be asked, or says nothing
// of itself (no flags at all, where every file system reports some), is taken to
// keep it: the rights are then given, not left out.
bool GetsRights(const char* dir)
{
    size_t root = RootLength(dir);
    char volume[PROMPT_CHARS];
    if (std::strlen(dir) <= root || root + 2 > sizeof volume)
        return false;
    std::memcpy(volume, dir, root);
    volume[root] = '\0';
    DWORD flags = 0;
    return !GetVolumeInformationA(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) || flags == 0 ||
           (flags & FS_PERSISTENT_ACLS);
}

struct Judge {
    DirectorySecurity security;
    DWORD user[32];  // the user who runs the Installer (TOKEN_USER)
    DWORD trusted[15 + 17];  // kTrustedSids, then the user's SID
    DWORD descriptor[1024];  // what GetFileSecurityA reads; one that does not fit is given the rights
    char path[PROMPT_CHARS];  // the object at work; the one refused, after a refusal
};

typedef BOOL(WINAPI* GetFileSecurityFn)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);

// Judges judge.path's owner and entries. One that belongs to another account is
// refused untouched. An open one, and the directory itself (`always`), is given
// the program directory's rights and judged again: only then can nobody else
// change its owner between the look and the change. Closed ones keep their
// rights: a directory chosen with files of other programs in it is not rewritten
// beyond what closing it takes. 0, or an error.
DWORD SecureOne(Judge& judge, bool always, GetFileSecurityFn read)
{
    for (int pass = 0;; ++pass) {
        DWORD needed;
        SecurityVerdict verdict = SECURITY_OPEN;
        if (read(judge.path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, judge.descriptor,
                 sizeof judge.descriptor, &needed))
            verdict = JudgeSecurity(reinterpret_cast<const unsigned char*>(judge.descriptor), sizeof judge.descriptor,
                                    reinterpret_cast<const unsigned char*>(judge.trusted), sizeof judge.trusted);
        if (verdict == SECURITY_CLOSED && !always)
            return 0;
        if (pass || verdict == SECURITY_FOREIGN_OWNER || verdict == SECURITY_UNREADABLE)
            return verdict == SECURITY_CLOSED ? 0 : ERROR_ACCESS_DENIED;
        DWORD error = ApplyDirectorySecurity(judge.path, &judge.security);
        if (error != ERROR_SUCCESS)
            return error;
        always = false;
    }
}

// Whether the file at path has other names (hard links): one of them, elsewhere,
// could be a file that the copy must not overwrite. Unreadable counts as linked.
bool Linked(const char* path)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    // Looked up, not imported: one import costs setup.exe more than the look-up.
    typedef BOOL(WINAPI * InformationFn)(HANDLE, BY_HANDLE_FILE_INFORMATION*);
    auto information = reinterpret_cast<InformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandle")));
    BY_HANDLE_FILE_INFORMATION info;
    bool linked = !information || !information(file, &info) || info.nNumberOfLinks > 1;
    CloseHandle(file);
    return linked;
}

// Secures everything below judge.path (a directory, `length` characters), depth
// first. Links are refused, never followed: a junction inside could lead the
// change of rights anywhere. 0, or an error; judge.path then names the object.
DWORD SecureContents(Judge& judge, size_t length, GetFileSecurityFn read)
{
    if (length + 3 > sizeof judge.path)
        return ERROR_FILENAME_EXCED_RANGE;
    std::memcpy(judge.path + length, "\\*", 3);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(judge.path, &found);
    judge.path[length] = '\0';
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : GetLastError();
    DWORD error = 0;
    do {
        const char* name = found.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        int n = std::snprintf(judge.path + length, sizeof judge.path - length, "\\%s", name);
        if (n < 0 || length + n >= sizeof judge.path) {
            error = ERROR_FILENAME_EXCED_RANGE;
            break;
        }
        bool directory = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || (!directory && Linked(judge.path)))
            error = ERROR_ACCESS_DENIED;
        if (!error)
            error = SecureOne(judge, false, read);
        if (!error && directory)
            error = SecureContents(judge, length + n, read);
        if (!error)
            judge.path[length] = '\0';
    } while (!error && FindNextFileA(search, &found));
    FindClose(search);
    return error;
}

// The directory `dir` was there already: it and everything in it are made and
// judged as described in the header. 0, or an error; judge.path then names what
// refused it.
DWORD SecureExisting(Judge& judge, const char* dir)
{
    auto read = reinterpret_cast<GetFileSecurityFn>(reinterpret_cast<void*>(AdvapiFunction("GetFileSecurityA")));
    CopyText(judge.path, sizeof judge.path, dir);
    if (!read || !CurrentUserSid(judge.user, sizeof judge.user))
        return ERROR_PROC_NOT_FOUND;
    // The user's SID after the others (at most 68 bytes: 15 sub-authorities); the
    // zeros after it read as no SID.
    const auto* user = static_cast<const unsigned char*>(reinterpret_cast<TOKEN_USER*>(judge.user)->User.Sid);
    std::memcpy(judge.trusted, kTrustedSids, sizeof kTrustedSids);
    std::memcpy(judge.trusted + 15, user, SidLength(user, 68));
    DWORD attributes = GetFileAttributesA(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return ERROR_ACCESS_DENIED;
    DWORD error = SecureOne(judge, true, read);
    return error ? error : SecureContents(judge, std::strlen(judge.path), read);
}

}  // namespace

int CreateProgramDirectory(char* dir)
{
    if (!MakeFullOrRefuse(dir))
        return 0;
    static Judge judge;  // large: off the stack of the sequence
    SECURITY_ATTRIBUTES* attributes = GetsRights(dir) ? BuildProgramDirSecurity(&judge.security) : nullptr;
    bool existed = false;
    if (!CreateDirectoryPath(dir, attributes, &existed))
        return 0;
    if (attributes && existed && SecureExisting(judge, dir) != 0) {
        ReportCreateFailure(judge.path, 0, IDS_DIR_NOT_CLOSED);
        return 0;
    }
    return 1;
}
