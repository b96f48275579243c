// The message catalogue: the texts of the run's messages, questions and
// usage lines, each a named constant so that the compiler checks the
// arguments given to a format.  The number beside each is its index in the
// product's catalogue of 231 entries; indexes the installer never shows
// are left out.
#ifndef LUMO_BASE_CATALOGUE_H
#define LUMO_BASE_CATALOGUE_H

namespace msg {
inline constexpr char kUninstalled[] = "Lumo 4.0-0 has been un-installed from the system.\n";  // 0
inline constexpr char kAskDelete[] = "Do you want to delete Lumo and any possible Lumo printer queues?\n";  // 1
inline constexpr char kNoInstallation[] = "No Lumo installation found.\n";  // 2
inline constexpr char kSorry[] = "*** Sorry ***\n";  // 3
inline constexpr char kReasonNotRoot[] = "* You are not recognised as root!\n";  // 4
inline constexpr char kReasonNoFoomatic[] = "* No foomatic-rip program found!\n";  // 5
inline constexpr char kReasonNoCups[] = "* No running CUPS daemon found!\n";  // 6
inline constexpr char kAbandonedBecause[] = "Abandoned because:\n";  // 7
inline constexpr char kConfigUpdated[] = "processPrinterConfig(%s): updated.";  // 8
inline constexpr char kCopyingResult[] = "Copying %s to %s: result=%d";  // 9
inline constexpr char kSavingResult[] = "saving %s to %s: result=%d";  // 10
inline constexpr char kSettingNewOption[] = "processNewPPD: Setting new option: %s/%s.\n";  // 11
inline constexpr char kCannotOpenPpd[] = "Unable to open '%s' as a PPD file!\n";  // 12
inline constexpr char kTo[] = "To: %s.\n";  // 13
inline constexpr char kSavedPpdFiles[] = "Saved PPD files from: %s.\n";  // 14
inline constexpr char kCannotAccessPpdDir[] = "Cannot access PPD dir: \"%s\"\n";  // 15
inline constexpr char kNoEtcDir[] = "No OXA etc directory: '%s' possible";  // 16
inline constexpr char kNoBinDir[] = "No OXA binary directory: '%s' possible";  // 17
inline constexpr char kNoOxaDir[] = "No OXA directory: '%s' possible";  // 18
inline constexpr char kChconResult[] = "chcon SELinux for: \"%s\": result: %d";  // 19
inline constexpr char kCouldNotChmod[] = "Could not chmod %s to %o.\n";  // 21
inline constexpr char kCopiedInfoFile[] = "Copied lumoInfo2.0 to lumoInfo3.0 file.\n";  // 22
inline constexpr char kCommandReturned[] = "Command: \"%s\" returned with: %d.\n";  // 24
inline constexpr char kPreparingLog[] = "Preparing Log File:\n";  // 25
inline constexpr char kNoSelinuxModuleFile[] = "SELinux running, but no file lumo.pp found.";  // 27
inline constexpr char kNoSelinuxRunningLf[] = "No SELinux found running.\n";  // 28
inline constexpr char kFoundExistingPpdDir[] = "Found existing Lumo PPD dir: \"%s\".";  // 36
inline constexpr char kUsingPreviousPpdDir[] = "Using previous Lumo PPD directory: \"%s\".";  // 37
inline constexpr char kNewPpdFor[] = "New PPD for printer %s in: %s.\n";  // 38
inline constexpr char kProblemOpening[] = "Problem opening: %s for printer %s!\n";  // 39
inline constexpr char kProblemDecompressing[] = "Problem decompressing: %s for printer %s!\n";  // 40
inline constexpr char kProcessingPpdFiles[] = "Processing Norvik PPD files for printer: %s.\n";  // 41
inline constexpr char kPpdNotFound[] = "PPD NOT FOUND!\n";  // 42
inline constexpr char kPpdFilesToInstall[] = "List of Norvik PPD files to install: %d.\n";  // 43
inline constexpr char kGettingPpdFrom[] = "Getting PPD from directory: %s\n";  // 44
inline constexpr char kUnableToOpen[] = "Unable to open '%s'!\n";  // 45
inline constexpr char kListModel[] = "\tModel   : %s.\n";  // 46
inline constexpr char kListPpdFile[] = "\tPPD File: %s.\n";  // 47
inline constexpr char kPrinterUnknown[] = "Printer : unknown.\n";  // 48
inline constexpr char kPrinterName[] = "Printer : %s.\n";  // 49
inline constexpr char kPrintersInstalled[] = "List of Norvik Printers installed: %d.\n";  // 50
inline constexpr char kCupsResetResult[] = "CUPS reset returned with: %d";  // 51
inline constexpr char kCannotResetCups[] = "Cannot reset CUPS. Sorry!";  // 52
inline constexpr char kCupsVersionNotFound[] = "CUPS Version not found. Reset to 1.4";  // 53
inline constexpr char kLinkExists[] = "File: %s exists already. Not created as link!";  // 54
inline constexpr char kUsageDebug[] = "-Dx\t: set debug mode. [0].\n";  // 55
inline constexpr char kUsageSelinux[] = "-Sx\t: set SELinux mode: x=0:off,1:on [1].\n";  // 56
inline constexpr char kUsageQuery[] = "-qx\t: query steps of installation: x=0:no,1:yes [0].\n";  // 57
inline constexpr char kUsageHelp[] = "-h\t: display this message.\n";  // 58
inline constexpr char kUsageAnyDir[] = "-fx\t: allow install from any directory: x=0:no,1:yes [1].\n";  // 59
inline constexpr char kUsageDeinstall[] = "-d\t: de-installation of Lumo %s.\n";  // 60
inline constexpr char kUsageOptions[] = "Options:\n";  // 61
inline constexpr char kUsageSynopsis[] = "setup [options].\n";  // 62
inline constexpr char kUsageTitle[] = "Usage:\n";  // 63
inline constexpr char kCopyrightFirst[] = "Copyright (C) 2026 the Lumo authors.\n";  // 64
inline constexpr char kCopyrightSecond[] = "This installer comes without any warranty.\n";  // 65
inline constexpr char kSetupVersion[] = "Lumo setup version: %s.\n";  // 66
inline constexpr char kAskUpdatePrinter[] = "Do you want to update printer: %s? ";  // 67
inline constexpr char kPrinterWithPpd[] = "Printer = %s with PPD=%s\n";  // 68
inline constexpr char kStartingCopyLoop[] = "goInstall: Starting copy loop for %d items.\n";  // 70
inline constexpr char kCopyingInfoFile[] = "Copying Lumo config file %s/lumoInfo2.0 to lumoInfo3.0.\n";  // 71
inline constexpr char kCouldNotChmodDir[] = "Could not chmod directory: %s";  // 73
inline constexpr char kFallingBackToModelDir[] = "Falling back to CUPS model dir: %s";  // 74
inline constexpr char kCouldNotCreateDir[] = "Could not create directory: %s";  // 75
inline constexpr char kSorryToQuit[] = "Sorry to quit the installation.";  // 76
inline constexpr char kNoOxaDirCreate[] = "Could not find or create OXA directory : %s";  // 77
inline constexpr char kSetupAfterRpm[] = "setup after rpm in: %s.\n";  // 78
inline constexpr char kCouldNotChdir[] = "Could not change directory to: %s.\n";  // 79
inline constexpr char kAbandonedByUser[] = "Program abandoned by user.\n";  // 80
inline constexpr char kInsufficientData[] = "Because of insufficient data, setup stopped.\n";  // 81
inline constexpr char kUpgradeMode[] = "Upgrade Mode = %d.\n";  // 82
inline constexpr char kCupsBinaryDir[] = "CUPS binary dir: %s\n";  // 83
inline constexpr char kCupsBaseDir[] = "CUPS base dir: %s\n";  // 84
inline constexpr char kUnknown[] = "Unknown";  // 85
inline constexpr char kSystemScheduler[] = "System Scheduler = ";  // 86
inline constexpr char kSelinuxModuleInstalled[] = "SELinux module lumo.pp is installed.";  // 87
inline constexpr char kSelinuxRunning[] = "SELinux is running: %s.";  // 88
inline constexpr char kNotFromOxaBin[] = "Lumo3.0 setup simulation, not from /opt/oxa/bin.\nExiting.\n";  // 89
inline constexpr char kAskUpdateFrom2[] = "Would you like to update Lumo 3.0 from Lumo 2.0?";  // 91
inline constexpr char kAskUpdate[] = "Would you like to update Lumo 4.0-0?";  // 92
inline constexpr char kAskInstall[] = "Would you like to install Lumo 4.0-0?";  // 93
inline constexpr char kHelpYesNoAllBreak[] = "Answer with y[es], n[o], or a[ll] = 'yes' for all printers,\n"
       "or b[reak] for none, followed by <RETURN> please.";  // 94
inline constexpr char kHelpYesNo[] = "Answer with y[es] or n[o], followed by <RETURN> please.";  // 95
inline constexpr char kDeletingPrinter[] = "Deleting the Lumo printer: %s.";  // 123
inline constexpr char kShareOptPpd[] = "Share ppd directory : /opt/share/ppd";  // 125
inline constexpr char kShareUsrPpd[] = "Share ppd directory : /usr/share/ppd";  // 126
inline constexpr char kSystemPpdDir[] = "System ppd directory: %s";  // 127
inline constexpr char kCustomPpdDir[] = "Custom ppd directory: %s";  // 128
inline constexpr char kMakerPpdDir[] = "Norvik directory     : %s";  // 129
inline constexpr char kFoomaticPpdDir[] = "Foomatic directory  : %s";  // 130
inline constexpr char kCupsModelDir[] = "CUPS model directory: %s";  // 131
inline constexpr char kPpdLocations[] = "Sytem PPD locations:";  // 132
inline constexpr char kPpdInstallDir[] = "PPD installation dir: %s\n";  // 133
inline constexpr char kNoKnownLinks[] = "No known links in cups model dir: %s\n";  // 134
inline constexpr char kLinkedTo[] = "Link %d: %s linked to %s.\n";  // 135
inline constexpr char kPrintersFound[] = "Number of Lumo printers found: %d.";  // 139
inline constexpr char kNotPossible[] = "Not possible!";  // 140
inline constexpr char kOk[] = "OK.";  // 141
inline constexpr char kDeletingDir[] = "Deleting directory: '%s' - ";  // 142
inline constexpr char kDeletingFile[] = "Deleting file: '%s' - ";  // 143
inline constexpr char kSkipInfoFile[] = "Skip creating configuration file: '%s/lumoInfo3.0'.\n";  // 144
inline constexpr char kInstallDirNotOk[] = "The installation directory:\n\t'%s'\ndoes not exist or is not OK.";  // 146
inline constexpr char kInstallDirOk[] = "The installation directory:\n\t'%s'\nexists and is OK.";  // 147
inline constexpr char kExecutingCommand[] = "Executing command:\n\t%s";  // 148
inline constexpr char kFoundInstallation[] = "Found an existing Lumo 3.0 installation in the directory:\n%s.";  // 150
inline constexpr char kNewInstallation[] = "New installation";  // 168
inline constexpr char kScriptNoPattern[] = "[nN]|[nN][oO])";  // 169
inline constexpr char kScriptYesPattern[] = "[oO]|[yY]|[yY][eE][sS])";  // 170
inline constexpr char kScriptDefaultNo[] = "no";  // 172
inline constexpr char kScriptQuestion[] = "Do you really want to de-install Lumo 3.0?";  // 173
inline constexpr char kScriptTitle[] = "De-installation of 'Lumo 4.0-0'";  // 174
inline constexpr char kScriptAnswerHelp[] = "Answer with yes or no please.";  // 175
inline constexpr char kScriptDated[] = "# De-installation script of Lumo 3.0 dated: %s";  // 176
inline constexpr char kChangingRights[] = "Changing execution rights of '%s' to  00%o.\n";  // 178
inline constexpr char kCopyingFile[] = "Copying file %s to %s.\n";  // 179
inline constexpr char kCreatingStartScripts[] = "Creating printer start scripts.\n";  // 180
inline constexpr char kCreatingUninstallScript[] = "Creating uninstallation script: '%s/UNINSTALLLUMO'.\n";  // 181
inline constexpr char kCreatingInfoFile[] = "Creating configuration file: '%s/lumoInfo3.0'.\n";  // 183
inline constexpr char kInstallDirectoryOk[] = "Installation directory: '%s' OK.\n";  // 187
inline constexpr char kCreatedDirectory[] = "Created directory: '%s'.\n";  // 188
inline constexpr char kCannotOpenManifest[] = "Cannot open info file: '%s'.\n";  // 189
inline constexpr char kInstallFrom[] = "Directory from which we install: '%s'.\n";  // 190
inline constexpr char kCreatedScript[] = "Created script: %s.";  // 191
inline constexpr char kWrong[] = ": WRONG!!!";  // 192
inline constexpr char kMissingManifest[] = "Lumo 3.0 installation missing info:\n\t'%s/%s'.\nAbandon...";  // 193
inline constexpr char kFinishing[] = "Finishing Lumo 4.0-0 installation : %s";  // 195
inline constexpr char kStarting[] = "Starting Lumo 4.0-0 installation : %s";  // 196
inline constexpr char kCannotOpenFile[] = "Cannot open file:\n\t'%s',\nPlease check and try again.";  // 207
inline constexpr char kMustBeRoot[] = "\n\n\tYou must be root to be able\n\tto install Lumo!\n\n\tSorry!";  // 208
inline constexpr char kNo[] = "No";  // 217
inline constexpr char kYes[] = "Yes";  // 218

}  // namespace msg

#endif
