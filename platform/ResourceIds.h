#pragma once

// The numbers of the program's resources, for every layer: the wizard's
// pages (their layouts), the string table, the pictures and the report
// documents. Numbers are unique within a kind only: page 134 and picture 134
// are two resources.
namespace res {

// Pages of the wizard, in the order they are shown.
inline constexpr unsigned kWelcomePage = 107;
inline constexpr unsigned kSelectDirPage = 108;
inline constexpr unsigned kTimePage = 112;
inline constexpr unsigned kProgressPage = 109;
inline constexpr unsigned kNoErrorPage = 111;
inline constexpr unsigned kErrorPage = 134;

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
// cannot be carried by the program's text. The path, the system's text and
// the free and asked megabytes are printf-style.
inline constexpr unsigned kPathNotAbsolute = 2020;
inline constexpr unsigned kPathInvalidName = 2021;
inline constexpr unsigned kPathTooLong = 2022;
inline constexpr unsigned kPathLinkLoop = 2023;
inline constexpr unsigned kFolderMissing = 2024;
inline constexpr unsigned kNotAFolder = 2025;
inline constexpr unsigned kFolderNotWritable = 2026;
inline constexpr unsigned kNotEnoughSpace = 2027;
inline constexpr unsigned kPathNotCarried = 2028;
// What a run tested, on the result pages: its duration, the bytes written and
// read, and the directory, printf-style.
inline constexpr unsigned kRunSummary = 2040;
// A failed test on one line: its name, its directory and what went wrong,
// printf-style; what went wrong when no call failed.
inline constexpr unsigned kFailureLine = 2060;
inline constexpr unsigned kDataDifferLine = 2061;
inline constexpr unsigned kTruncatedLine = 2062;
inline constexpr unsigned kInternalLine = 2063;
// Escape or the close box during a long run.
inline constexpr unsigned kStopQuestion = 2050;
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
inline constexpr unsigned kAboutCaptionPrefix = 5002;
inline constexpr unsigned kTelephone = 5003;
inline constexpr unsigned kButtonEditMessages = 13604;
inline constexpr unsigned kCaption = 57344;  // the program's short name

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
