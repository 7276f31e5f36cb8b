// The program directory's policy: who may change it and what is in it. The
// Installer runs elevated and puts a per-machine program, with its remover,
// outside Program Files; the remover is later started elevated from the list of
// installed programs. So on Windows NT, on a volume that keeps file security and
// below a drive's root, nobody but the Administrators, SYSTEM, TrustedInstaller
// and the user who runs the Installer may own the directory or anything in it, or
// change, add, replace or delete a file there, whatever was there before.
#ifndef MARVANE_PROGDIR_H
#define MARVANE_PROGDIR_H

// Makes dir (PROMPT_CHARS) a full path and creates it with its parents, each
// directory it creates with the rights of BuildProgramDirSecurity. Creating is
// the look: a directory that was there already (made by anybody, at any moment
// before) gets those rights, and everything in it is then judged: one that
// belongs to another account, that is a link, or whose rights cannot be closed
// refuses the directory. A refusal, like a directory that cannot be created,
// shows its box (also in quiet mode) and returns 0. 1 when the directory exists
// afterwards as described.
int CreateProgramDirectory(char* dir);

#endif
