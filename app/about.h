// Who made Tegmora and where to reach them: the About frame, its button and
// the thank-you line all read these.
#pragma once

namespace tegmora::app {

inline constexpr char kAuthor[] = "Quorvel";
inline constexpr char kContactCaption[] = "E-mail:";
inline constexpr char kContactAddress[] = "roofs@quorvel.example";
inline constexpr char kWebCaption[] = "Web site:";
inline constexpr char kWebAddress[] = "quorvel.example";
inline constexpr char kHomePage[] = "https://quorvel.example/";

}  // namespace tegmora::app
