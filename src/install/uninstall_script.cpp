#include "install/uninstall_script.h"

#include <cstdio>
#include <string>

#include "base/log.h"
#include "base/shell.h"
#include "base/text.h"
#include "install/info_file.h"

namespace {

// The two deleting functions; %s is the rm command.  Their argument is
// quoted, so a path with blanks or pattern characters names that one path;
// delFile also takes a link, for /usr/bin/orbgsfilter dangles once the
// filter it points to has been deleted before it.
constexpr char kDeleteFunctions[] =
    "#\n"
    "#Delete a file\n"
    "#Syntax : delFile $fileName\n"
    "#\n"
    "delFile()\n"
    "{\n"
    "if [ -f \"$1\" ] || [ -h \"$1\" ] ; then\n"
    "  %s \"$1\"\n"
    "fi\n"
    "}\n"
    "#\n"
    "#Delete a directory\n"
    "#Syntax : delDir $dirName\n"
    "delDir()\n"
    "{\n"
    "if [ -d \"$1\" ] ; then\n"
    "  %s -rf \"$1\"\n"
    "fi\n"
    "}\n";

// The question function; the %s are the yes pattern, the no pattern and the
// answer help.
constexpr char kYornFunction[] =
    "#\n"
    "#\n"
    "# Get a yes or no answer from the user.  Argument 1 is prompt, 2 is default.\n"
    "#\n"
    "yorn()\n"
    "{\n"
    "        if [ \"$2\" = \"\" ] ; then\n"
    "                prompt=\"$1? \"\n"
    "        else\n"
    "                prompt=\"$1 [$2]? \"\n"
    "        fi\n"
    " \n"
    "        while true ; do\n"
    "                echo \"$prompt\"\n"
    "                read input\n"
    "                parsed=$input\n"
    " \n"
    "                if [ \"$parsed\" = \"\" ] ; then\n"
    "                        answer=$2\n"
    "                else\n"
    "                        answer=$input\n"
    "                fi\n"
    " \n"
    "                case $answer in\n"
    "                %s\n"
    "                        return 0 ; break ;;\n"
    "                %s\n"
    "                        return 1 ; break ;;\n"
    "                *)\n"
    "                        echo \"%s\"\n"
    "                esac\n"
    "        done\n"
    "}\n"
    "#\n";

void writeQuestion(FILE* out) {
  std::fprintf(out, "echo \"%s\"\n", msg::kScriptTitle);
  std::fprintf(out, "yorn \"%s\" \"%s\"\n", msg::kScriptQuestion,
               msg::kScriptDefaultNo);
  std::fputs("it_is=$?\nif [ $it_is -ne 0 ] ; then\n  exit\nfi\n", out);
}

// The deletions, in order: the installation directory goes last.
void writeDeletions(FILE* out, const std::string& dir, const std::string& ppdInstallDir) {
  auto line = [out](const char* function, const std::string& path) {
    std::fprintf(out, "%s %s\n", function, shellWord(path).c_str());
  };
  line("delFile", dir + "/lumoInfo4.0");
  line("delFile", dir + "/bin/orbgsfilter");
  line("delFile", dir + "/bin/nc");
  line("delFile", "/usr/bin/orbgsfilter");
  line("delFile", dir + "/bin/setup");
  line("delFile", dir + "/etc/lumo4.0.png");
  line("delFile", dir + "/etc/LUMOINST.CONF");
  line("delFile", dir + "/LUMOINST.CONF");
  // Without a product PPD directory the line would name /ppd at the root
  // of the file system; the installation's own ppd directory stands in.
  line("delDir", (ppdInstallDir.empty() ? dir : ppdInstallDir) + "/ppd");
  line("delDir", dir + "/etc");
  line("delDir", dir + "/bin");
  line("delDir", dir);
}

}  // namespace

void writeUninstallScript(Context& run, const std::string& installDir) {
  std::string path = installedFilePath(installDir, kUninstallScriptName);
  std::string rm = shellWord(run.facts.tools.path(kToolRm));
  FileAttributes attributes{0755, uid_t(run.facts.uid), gid_t(run.facts.gid)};
  if (writeInstalledFile(run.log, path, &attributes, [&](FILE* out) {
        std::fputs("#!/bin/sh\n#\n", out);
        std::fprintf(out, msg::kScriptDated, timeText().c_str());
        std::fprintf(out, kDeleteFunctions, rm.c_str(), rm.c_str());
        std::fprintf(out, kYornFunction, msg::kScriptYesPattern, msg::kScriptNoPattern,
                     msg::kScriptAnswerHelp);
        writeQuestion(out);
        writeDeletions(out, installDir, run.facts.ppd.ppdInstallDir);
        return true;
      }))
    run.log.printf(msg::kCreatedScript, path.c_str());
}
