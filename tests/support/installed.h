// What an installation leaves behind, as the end-to-end and remover tests read it.
#ifndef MARVANE_TEST_INSTALLED_H
#define MARVANE_TEST_INSTALLED_H

#include <set>
#include <string>

// The Start Menu's Programs folder of the prefix (where Wine's shell puts groups).
std::string ProgramsFolder();
// The four item files a complete installation creates in its group.
extern const std::set<std::string> kAllItems;
// WIN.INI has a section "Marvane".
bool SectionExists();
// The uninstall key exists.
bool UninstallKeyExists();

#endif
