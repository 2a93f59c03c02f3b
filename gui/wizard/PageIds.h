#pragma once

// The wizard's pages, by the numbers of their layouts, in the order they are
// shown. A page's Next or Back may name another to jump to.
namespace res {

inline constexpr unsigned kWelcomePage = 107;
inline constexpr unsigned kSelectDirPage = 108;
inline constexpr unsigned kTimePage = 112;
inline constexpr unsigned kProgressPage = 109;
inline constexpr unsigned kNoErrorPage = 111;
inline constexpr unsigned kErrorPage = 134;

}  // namespace res
