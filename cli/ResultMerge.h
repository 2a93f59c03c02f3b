#pragma once
#include <cstdio>
#include <string>
#include <vector>

// dalvex2-cli merge: the JSON results of clients that tested one server at
// the same time, read together into one verdict. A line per client, what
// they moved together while all of them ran, every failure with the label
// of the client that saw it. Main thread.
class ResultMerge {
public:
    // Exit status as a run's: 0 when every client ran to the end of its time
    // and read back what it wrote without a failure, 1 when one failed, 3
    // when none failed but one was stopped, aborted or proved nothing; 2,
    // with nothing merged, for a file that cannot be read, is not a result,
    // holds other settings than the first or a label already seen, or is the
    // file the merged JSON would replace, and when that could not be
    // written. `jsonPath`: empty, "-" or a file.
    static int Run(const std::vector<std::string>& files, const std::string& jsonPath,
                   std::FILE* out, std::FILE* err);
};
