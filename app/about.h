// Who made Tegmora and where to reach them: the About frame, the thank-you
// line and the "Quorvel" button all read these.
#pragma once

namespace tegmora::app {

inline constexpr char kContactCaption[] = "E-mail:";
inline constexpr char kContactAddress[] = "roofs@quorvel.example";
inline constexpr char kWebCaption[] = "Web site:";
inline constexpr char kWebAddress[] = "quorvel.example";
inline constexpr char kHomePage[] = "https://quorvel.example/";

}  // namespace tegmora::app
