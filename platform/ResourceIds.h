#pragma once

// The numbers of the program's resources, for every layer: the string
// table, the pictures and the report documents (the wizard's pages are the
// wizard's own: gui/wizard/PageIds.h). Numbers are unique within a kind
// only: page 134 and picture 134 are two resources.
namespace res {

// Strings.
inline constexpr unsigned kAboutEntry = 101;  // empty: no about box
inline constexpr unsigned kBrowseInstruction = 2000;
inline constexpr unsigned kNotNetworkQuestion = 2001;  // its first line warns
inline constexpr unsigned kStoppingText = 2002;
inline constexpr unsigned kRunningText = 2003;
inline constexpr unsigned kNoAnswerWarning = 2004;  // the directory does not answer
// A client that caches writes, its file-system type printf-style; the first
// line warns.
inline constexpr unsigned kCachingClientQuestion = 2005;
// A call that got no answer: its seconds and file, printf-style.
inline constexpr unsigned kStallText = 2010;
// Why a directory cannot hold a run (DirectoryCheck), then why its name
// cannot be carried by the program's text. The path, the system's text, the
// free and needed megabytes and the run's files are printf-style.
inline constexpr unsigned kPathNotAbsolute = 2020;
inline constexpr unsigned kPathInvalidName = 2021;
inline constexpr unsigned kPathTooLong = 2022;
inline constexpr unsigned kPathLinkLoop = 2023;
inline constexpr unsigned kFolderMissing = 2024;
inline constexpr unsigned kNotAFolder = 2025;
inline constexpr unsigned kFolderNotWritable = 2026;
inline constexpr unsigned kNotEnoughSpace = 2027;
inline constexpr unsigned kPathNotCarried = 2028;
// A run that needs more than the space asked, its 1 MB files being many.
inline constexpr unsigned kNotEnoughSpaceForFiles = 2029;
// A folder that exists but where the system says no such file on creating
// one: a file system that takes no new name, as /proc.
inline constexpr unsigned kFolderTakesNoNewName = 2030;
// What a run tested, on the result pages: its duration, the bytes written and
// read, and the directory, printf-style.
inline constexpr unsigned kRunSummary = 2040;
// The same for a run stopped before its duration: the time it lasted and the
// minutes it was to last come first.
inline constexpr unsigned kRunSummaryStopped = 2041;
// A failed test on one line: its name, its directory and what went wrong,
// printf-style; what went wrong when no call failed.
inline constexpr unsigned kFailureLine = 2060;
inline constexpr unsigned kDataDifferLine = 2061;
inline constexpr unsigned kTruncatedLine = 2062;
inline constexpr unsigned kInternalLine = 2063;
// The damage found in data that differ or a file cut short: the report's
// label, then one text per kind of damage, printf-style (Damage).
inline constexpr unsigned kDamageLabel = 2064;
inline constexpr unsigned kDamageZeros = 2065;
// The wizard's own words: its buttons, the folder browser and field, the
// details dialog's tabs (a number, printf-style), menu and saving (the
// file and the reason as Qt's %1 and %2).
inline constexpr unsigned kBackButton = 2100;
inline constexpr unsigned kNextButton = 2101;
inline constexpr unsigned kFinishButton = 2102;
inline constexpr unsigned kCancelButton = 2103;
inline constexpr unsigned kOkButton = 2104;
inline constexpr unsigned kBrowseTitle = 2105;
inline constexpr unsigned kBrowseFolders = 2106;
inline constexpr unsigned kFolderLacksFiles = 2107;
inline constexpr unsigned kFolderNoAnswer = 2108;
inline constexpr unsigned kReportTab = 2110;
inline constexpr unsigned kCopyReport = 2111;
inline constexpr unsigned kSaveReportMenu = 2112;
inline constexpr unsigned kSaveReportTitle = 2113;
inline constexpr unsigned kRtfDocuments = 2114;
inline constexpr unsigned kReportNotSaved = 2115;
// The details' menu entry that saves the whole run as one web page, and the
// kind of file.
inline constexpr unsigned kSaveRunReportMenu = 2117;
inline constexpr unsigned kHtmlDocuments = 2118;
// The kinds Qt's file dialog gives a drive, a folder, a link and anything
// else, which Qt's French catalogue lacks (QtTextGaps).
inline constexpr unsigned kQtDrive = 2140;
inline constexpr unsigned kQtFolder = 2141;
inline constexpr unsigned kQtShortcut = 2142;
inline constexpr unsigned kQtUnknown = 2143;
// The advanced dialog: a run that writes more than the space asked, its
// megabytes and files, printf-style.
inline constexpr unsigned kRunWritesMore = 2116;
// What a screen reader says of the controls made in code: what the sheet's
// buttons and the about button do, the arrows beside a number field (%1:
// the field's name), the browse dialog's tree and buttons, the completions.
inline constexpr unsigned kBackDescription = 2120;
inline constexpr unsigned kNextDescription = 2121;
inline constexpr unsigned kFinishDescription = 2122;
inline constexpr unsigned kCancelDescription = 2123;
inline constexpr unsigned kAboutDescription = 2124;
inline constexpr unsigned kStepUpName = 2125;
inline constexpr unsigned kStepDownName = 2126;
inline constexpr unsigned kStepUpDescription = 2127;
inline constexpr unsigned kStepDownDescription = 2128;
inline constexpr unsigned kFolderTreeName = 2129;
inline constexpr unsigned kBrowseOkDescription = 2130;
inline constexpr unsigned kBrowseCancelDescription = 2131;
inline constexpr unsigned kCompletionsName = 2132;
inline constexpr unsigned kCompletionsDescription = 2133;
// Back, Escape or the close box during a long run.
inline constexpr unsigned kStopQuestion = 2050;
// The small window that stays up, once the wizard has closed on a Cancel,
// while tests left behind still delete their files.
inline constexpr unsigned kDeletingFilesText = 2051;
// Why the machine is kept awake during a run, for whoever asks it to sleep.
inline constexpr unsigned kStayAwakeReason = 2090;
// A run over while its window was not looked at, on the desktop's
// notification: the verdict and the duration, printf-style, and the click
// that shows the window. A success says kOkSentence.
inline constexpr unsigned kFailedNotice = 2091;
inline constexpr unsigned kRunOverNotice = 2092;
inline constexpr unsigned kShowWindowAction = 2093;
// The same for a run stopped before its minutes (RunVerdict::StoppedEarly).
inline constexpr unsigned kRunStoppedNotice = 2094;
inline constexpr unsigned kAtomTestName = 3000;
inline constexpr unsigned kFillZeroTestName = 3001;
inline constexpr unsigned kRandomTestName = 3002;
inline constexpr unsigned kTempTestName = 3003;
inline constexpr unsigned kCopyFileTestName = 3004;
// What a run that never began reports on: the checks of its directory.
inline constexpr unsigned kCheckTestName = 3005;
// The cross-check between two clients: the files this one writes for the
// other, and those of the other that this one reads.
inline constexpr unsigned kCrossWriteTestName = 3006;
inline constexpr unsigned kCrossReadTestName = 3007;
// The tests that change files they wrote (--modify-tests).
inline constexpr unsigned kOverwriteTestName = 3008;
inline constexpr unsigned kRewriteShorterTestName = 3009;
inline constexpr unsigned kAppendTestName = 3010;
inline constexpr unsigned kResizeTestName = 3011;
inline constexpr unsigned kRenameOverTestName = 3012;
inline constexpr unsigned kRereadTestName = 3013;
inline constexpr unsigned kKeptFileTestName = 3014;  // %s: the file
inline constexpr unsigned kAboutCaptionPrefix = 5002;
inline constexpr unsigned kTelephone = 5003;
inline constexpr unsigned kButtonEditMessages = 13604;
inline constexpr unsigned kCaption = 57344;  // the program's short name
// dalvex2-cli's texts, printf-style where they carry values.
// Its options (CliOptions): the names of their values, what each does, what
// each exit status means and the usage around them; why a command line
// cannot be used, and a value brought within its bounds.
inline constexpr unsigned kValueMegabytes = 6000;
inline constexpr unsigned kValueCount = 6001;
inline constexpr unsigned kValueMinutes = 6002;
inline constexpr unsigned kValueSeconds = 6003;
inline constexpr unsigned kValueFile = 6004;
inline constexpr unsigned kValueDirectory = 6005;
inline constexpr unsigned kValueTime = 6006;
inline constexpr unsigned kValueMilliseconds = 6007;
inline constexpr unsigned kValueName = 6008;
inline constexpr unsigned kHelpSpace = 6010;
inline constexpr unsigned kHelpSets = 6011;
inline constexpr unsigned kHelpMinutes = 6012;
inline constexpr unsigned kHelpUntilStopped = 6013;
inline constexpr unsigned kHelpNormalPriority = 6014;
inline constexpr unsigned kHelpStopAfter = 6015;
inline constexpr unsigned kHelpStallAfter = 6016;
inline constexpr unsigned kHelpJson = 6017;
inline constexpr unsigned kHelpHtml = 6046;
inline constexpr unsigned kHelpReportDir = 6018;
inline constexpr unsigned kHelpStartAt = 6019;
inline constexpr unsigned kHelpClockOffset = 6020;
inline constexpr unsigned kHelpLabel = 6021;
inline constexpr unsigned kHelpQuiet = 6022;
inline constexpr unsigned kHelpAllowCache = 6023;
inline constexpr unsigned kHelpCrossCheck = 6024;
inline constexpr unsigned kHelpCheckOnly = 6034;
inline constexpr unsigned kHelpModifyTests = 6035;
inline constexpr unsigned kHelpKeep = 6036;
inline constexpr unsigned kHelpDelete = 6037;
inline constexpr unsigned kHelpKeptDirectory = 6038;
inline constexpr unsigned kHelpVerified = 6039;
inline constexpr unsigned kHelpAllowLocal = 6025;
inline constexpr unsigned kHelpAllowLocalFor = 6045;
inline constexpr unsigned kHelpAllowMixed = 6026;
inline constexpr unsigned kHelpMissingAsFailed = 6027;
inline constexpr unsigned kHelpHelp = 6028;
inline constexpr unsigned kHelpVersion = 6029;
inline constexpr unsigned kExitOk = 6030;
inline constexpr unsigned kExitFailed = 6031;
inline constexpr unsigned kExitMisuse = 6032;
inline constexpr unsigned kExitInterrupted = 6033;
inline constexpr unsigned kUsageHead = 6040;
inline constexpr unsigned kUsageBounds = 6041;  // a help text, then a setting's bounds
inline constexpr unsigned kUsageTail = 6042;
inline constexpr unsigned kStopping = 6043;  // what Ctrl+C and the signals do
inline constexpr unsigned kExitHeading = 6044;
inline constexpr unsigned kTwoDirectories = 6050;
inline constexpr unsigned kEmptyDirectory = 6051;
inline constexpr unsigned kNoResultFiles = 6052;
inline constexpr unsigned kNoDirectory = 6053;
inline constexpr unsigned kCrossCheckOwnDirectory = 6054;
inline constexpr unsigned kUnknownOption = 6055;
inline constexpr unsigned kOptionNotForCommand = 6056;  // the option, then the command
inline constexpr unsigned kRunCommandName = 6057;       // the command that runs the tests
inline constexpr unsigned kOptionTakesNoValue = 6058;
inline constexpr unsigned kOptionNeedsValue = 6059;
inline constexpr unsigned kBadOptionValue = 6060;
inline constexpr unsigned kSpaceBrought = 6061;
inline constexpr unsigned kSetsBrought = 6062;
inline constexpr unsigned kMinutesBrought = 6063;
inline constexpr unsigned kStallBrought = 6064;
inline constexpr unsigned kNoKeptList = 6065;
inline constexpr unsigned kTwoKeptLists = 6066;
// A run on the terminal (CliApp): its status line and the tests waiting on
// the share, its start, what it leaves, its result and why it cannot start.
inline constexpr unsigned kStatusLine = 6070;
inline constexpr unsigned kWaitingTests = 6071;
inline constexpr unsigned kWaitingTest = 6072;
inline constexpr unsigned kReportDirUnwritable = 6073;
inline constexpr unsigned kStartTooLate = 6074;
inline constexpr unsigned kStartPassed = 6075;
inline constexpr unsigned kStartWaiting = 6076;
inline constexpr unsigned kLeftFilesTitle = 6077;
inline constexpr unsigned kFreeHungMount = 6078;
inline constexpr unsigned kCacheProvesNothing = 6079;
inline constexpr unsigned kShareThroughput = 6080;
inline constexpr unsigned kKeptTitle = 6085;    // the list, then each file on a line
inline constexpr unsigned kKeptChecked = 6086;  // how many, whose, from when
inline constexpr unsigned kKeptDeleted = 6087;
inline constexpr unsigned kNothingKept = 6088;
inline constexpr unsigned kReportTitle = 6081;
inline constexpr unsigned kCannotLaunch = 6082;
inline constexpr unsigned kCachingRefused = 6083;
inline constexpr unsigned kDirectoryRefused = 6084;
// The process that runs the tests, when it goes wrong (RunSupervisor).
inline constexpr unsigned kChildEndedBadly = 6100;
inline constexpr unsigned kChildVanished = 6101;
inline constexpr unsigned kUnknownCause = 6102;
inline constexpr unsigned kChildSilent = 6103;
inline constexpr unsigned kDirectorySilent = 6104;
inline constexpr unsigned kTestsDidNotStop = 6105;
// Why a client's name cannot be used (ClientLabel).
inline constexpr unsigned kLabelInvisible = 6110;
inline constexpr unsigned kLabelEmpty = 6111;
inline constexpr unsigned kLabelNotCompared = 6112;
inline constexpr unsigned kLabelSeparator = 6113;
// A result file that cannot be written or read (ResultFile).
inline constexpr unsigned kNotAFile = 6120;
inline constexpr unsigned kFileTooLarge = 6121;
inline constexpr unsigned kStandardOutput = 6122;
inline constexpr unsigned kResultNotSent = 6123;
inline constexpr unsigned kCannotWrite = 6124;
// A file that merge cannot take as a result (ResultReader).
inline constexpr unsigned kMemberTwice = 6130;
inline constexpr unsigned kNotJson = 6131;
inline constexpr unsigned kNestedTooDeep = 6132;
inline constexpr unsigned kTooManyBytes = 6133;
inline constexpr unsigned kMoreOnShare = 6134;
inline constexpr unsigned kWaitLongerThanRun = 6135;
inline constexpr unsigned kMoreCrossChecked = 6136;
inline constexpr unsigned kHalfReference = 6137;
inline constexpr unsigned kBadMember = 6138;
inline constexpr unsigned kResultGives = 6139;
inline constexpr unsigned kBadLabel = 6140;
inline constexpr unsigned kMissingBadLabel = 6141;
inline constexpr unsigned kCannotRead = 6142;
inline constexpr unsigned kNotAResultBecause = 6143;
inline constexpr unsigned kNotAResult = 6144;
inline constexpr unsigned kNotAKeptList = 6145;
// merge (ResultMerge): results that cannot go together, why a client is not
// "ok", the cross-checks and the lines of the fleet.
inline constexpr unsigned kSameClient = 6160;
inline constexpr unsigned kNoStartAsked = 6161;
inline constexpr unsigned kOtherStart = 6162;
inline constexpr unsigned kOtherSettings = 6163;
inline constexpr unsigned kOtherVersion = 6164;
inline constexpr unsigned kNoResult = 6165;
inline constexpr unsigned kClientNotOk = 6166;
inline constexpr unsigned kNotToItsTime = 6167;
inline constexpr unsigned kNotAllReadBack = 6168;
inline constexpr unsigned kTestedLess = 6169;
inline constexpr unsigned kClientCaches = 6170;
inline constexpr unsigned kNotOnNetwork = 6171;
inline constexpr unsigned kClockNotCompared = 6172;
inline constexpr unsigned kStartedLate = 6173;
inline constexpr unsigned kStartedEarly = 6174;
inline constexpr unsigned kShareSilent = 6175;
inline constexpr unsigned kClientLine = 6176;  // a client with no result
inline constexpr unsigned kClientFullLine = 6177;
inline constexpr unsigned kMergeWouldReplace = 6178;
inline constexpr unsigned kCrossFilesDiffer = 6179;
inline constexpr unsigned kCrossNothingReceived = 6180;
inline constexpr unsigned kCrossOutsider = 6181;
inline constexpr unsigned kCrossNothingRead = 6182;
inline constexpr unsigned kCrossCheckLine = 6183;
inline constexpr unsigned kCrossCheckFault = 6184;
inline constexpr unsigned kCrossNobodyRead = 6185;
inline constexpr unsigned kKeptCheckLine = 6192;  // who read whose, how it went, files
inline constexpr unsigned kKeptCheckFault = 6193;
inline constexpr unsigned kKeptNobodyRead = 6194;
inline constexpr unsigned kNotAKeptCheck = 6195;
inline constexpr unsigned kNotObserved = 6196;         // a gap in observation, not silence
inline constexpr unsigned kUntilStoppedOnTime = 6197;  // an until-stopped run that "ran out"
inline constexpr unsigned kTooManyFiles = 6198;
inline constexpr unsigned kTooMuchInput = 6199;
inline constexpr unsigned kMoreFailures = 6200;  // failures of a client past those shown
inline constexpr unsigned kUnknownLocalLabel = 6201;
inline constexpr unsigned kClocksNotCompared = 6186;
inline constexpr unsigned kAllTogether = 6187;
inline constexpr unsigned kNeverTogether = 6188;
inline constexpr unsigned kNotTogetherLongEnough = 6189;
inline constexpr unsigned kFailureAt = 6190;
inline constexpr unsigned kFleetLine = 6191;
// The verdict of a run or of a fleet (RunVerdict).
inline constexpr unsigned kOkSentence = 6220;
inline constexpr unsigned kFailedSentence = 6221;
inline constexpr unsigned kInterruptedSentence = 6222;
inline constexpr unsigned kPartnerNeverMetSentence = 6223;   // a cross-check that met nobody
inline constexpr unsigned kNothingOfPartnerSentence = 6224;  // one that read no byte

// The HTML report of a run or a fleet (HtmlReport): headings, labels and
// the texts of values, printf-style where they take one.
inline constexpr unsigned kHtmlRunTitle = 6300;
inline constexpr unsigned kHtmlFleetTitle = 6301;
inline constexpr unsigned kHtmlVerdict = 6302;
inline constexpr unsigned kHtmlSettings = 6303;
inline constexpr unsigned kHtmlDirectory = 6304;
inline constexpr unsigned kHtmlClient = 6305;
inline constexpr unsigned kHtmlBytes = 6306;
inline constexpr unsigned kHtmlCourse = 6307;
inline constexpr unsigned kHtmlStalls = 6308;
inline constexpr unsigned kHtmlKept = 6309;
inline constexpr unsigned kHtmlVerified = 6310;
inline constexpr unsigned kHtmlLeftFiles = 6311;
inline constexpr unsigned kHtmlFailures = 6312;
inline constexpr unsigned kHtmlFailureTitle = 6313;
inline constexpr unsigned kHtmlDiskSpace = 6314;
inline constexpr unsigned kHtmlSets = 6315;
inline constexpr unsigned kHtmlDuration = 6316;
inline constexpr unsigned kHtmlPriority = 6317;
inline constexpr unsigned kHtmlStopAfter = 6318;
inline constexpr unsigned kHtmlStallLimit = 6319;
inline constexpr unsigned kHtmlModifyTests = 6320;
inline constexpr unsigned kHtmlTempDirectory = 6321;
inline constexpr unsigned kHtmlNetworkPath = 6322;
inline constexpr unsigned kHtmlFileSystem = 6323;
inline constexpr unsigned kHtmlMountSource = 6324;
inline constexpr unsigned kHtmlCachesWrites = 6325;
inline constexpr unsigned kHtmlServerProven = 6326;
inline constexpr unsigned kHtmlHost = 6327;
inline constexpr unsigned kHtmlLabel = 6328;
inline constexpr unsigned kHtmlVersion = 6329;
inline constexpr unsigned kHtmlStartedAt = 6330;
inline constexpr unsigned kHtmlElapsed = 6331;
inline constexpr unsigned kHtmlAllTests = 6332;
inline constexpr unsigned kHtmlShareOnly = 6333;
inline constexpr unsigned kHtmlWritten = 6334;
inline constexpr unsigned kHtmlRead = 6335;
inline constexpr unsigned kHtmlThroughput = 6336;
inline constexpr unsigned kHtmlTimeAxis = 6337;
inline constexpr unsigned kHtmlRateAxis = 6338;
inline constexpr unsigned kHtmlGap = 6339;
inline constexpr unsigned kHtmlStop = 6340;
inline constexpr unsigned kHtmlWindow = 6341;
inline constexpr unsigned kHtmlLongestIdle = 6342;
inline constexpr unsigned kHtmlLongestGap = 6343;
inline constexpr unsigned kHtmlGaps = 6344;
inline constexpr unsigned kHtmlCrossDirectory = 6345;
inline constexpr unsigned kHtmlPartner = 6346;
inline constexpr unsigned kHtmlCrossRead = 6347;
inline constexpr unsigned kHtmlCrossWritten = 6348;
inline constexpr unsigned kHtmlNoCrossCheck = 6349;
inline constexpr unsigned kHtmlList = 6350;
inline constexpr unsigned kHtmlKeptBy = 6351;
inline constexpr unsigned kHtmlKeptAt = 6352;
inline constexpr unsigned kHtmlDeleted = 6353;
inline constexpr unsigned kHtmlTest = 6354;
inline constexpr unsigned kHtmlCategory = 6355;
inline constexpr unsigned kHtmlErrorKind = 6356;
inline constexpr unsigned kHtmlOperation = 6357;
inline constexpr unsigned kHtmlWinerr = 6358;
inline constexpr unsigned kHtmlErrno = 6359;
inline constexpr unsigned kHtmlErrnoName = 6360;
inline constexpr unsigned kHtmlMessage = 6361;
inline constexpr unsigned kHtmlPosition = 6362;
inline constexpr unsigned kHtmlFile = 6363;
inline constexpr unsigned kHtmlStalled = 6364;
inline constexpr unsigned kHtmlExpected = 6365;
inline constexpr unsigned kHtmlReadBytes = 6366;
inline constexpr unsigned kHtmlDamage = 6367;
inline constexpr unsigned kHtmlLocalTime = 6368;
inline constexpr unsigned kHtmlTestTime = 6369;
inline constexpr unsigned kHtmlTestTimeMs = 6370;
inline constexpr unsigned kHtmlYes = 6371;
inline constexpr unsigned kHtmlNo = 6372;
inline constexpr unsigned kHtmlUnknown = 6373;
inline constexpr unsigned kHtmlUntilStopped = 6374;
inline constexpr unsigned kHtmlByteCount = 6375;
inline constexpr unsigned kHtmlRate = 6376;
inline constexpr unsigned kHtmlNoFailure = 6377;
inline constexpr unsigned kHtmlResultLine = 6378;
inline constexpr unsigned kHtmlNoCourse = 6379;
inline constexpr unsigned kHtmlClients = 6380;
inline constexpr unsigned kHtmlReasons = 6381;
inline constexpr unsigned kHtmlNoResult = 6382;
inline constexpr unsigned kHtmlFleetWindow = 6384;
inline constexpr unsigned kHtmlNeverTogether = 6385;
inline constexpr unsigned kHtmlNone = 6386;
inline constexpr unsigned kHtmlAndJsonOnStdout = 6387;  // a command line that asks for both
// One file named by two of --json, --html and the list of kept files (%s).
inline constexpr unsigned kOneFileTwice = 6388;
// Under the verdict of a run stopped before its minutes, in the report and the
// command line's text: its duration and theirs.
inline constexpr unsigned kStoppedEarlyNote = 6389;

// Pictures.
inline constexpr unsigned kIcon = 128;
inline constexpr unsigned kWarningIcon = 134;
inline constexpr unsigned kWizardPicture = 145;
inline constexpr unsigned kSupportIcon = 226;
inline constexpr unsigned kButtonEditBitmap = 13602;

// Report documents, one per category of failure.
inline constexpr unsigned kDiskFullReport = 136;
inline constexpr unsigned kDataDifferReport = 138;
inline constexpr unsigned kInternalReport = 140;
inline constexpr unsigned kTruncatedReport = 141;
inline constexpr unsigned kIoErrorReport = 144;
inline constexpr unsigned kClientRefusedReport = 146;  // a call the share's client refuses

}  // namespace res
