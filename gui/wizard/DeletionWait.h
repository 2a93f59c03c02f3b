#pragma once

// Once the wizard has closed, the tests a Cancel left behind may still be
// deleting their files on the share: while one is on its way out, a small
// window says so, and goes away by itself once none is. A test stuck on a
// share that does not answer is not waited for past its stall limit (see
// CDVXThreadManager::PollAbandoned). User-interface thread only.
void ShowWhileFilesAreDeleted();
