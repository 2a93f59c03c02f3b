#pragma once

// The full version of this build, as the packages carry it:
// "2.0.0+607.202612072200.32f0ee8" (project version, build number, UTC
// date-time and short hash of the commit built), or "2.0.0+607" when built
// outside a git checkout.
const char* BuildVersion();
