// The texts of the message boxes shown for refused SMD files, as code page 949 bytes.
#pragma once

// "SMD 파일이 아닙니다!!"
inline constexpr char kSmdNotSmdMessage[] = "SMD \xc6\xc4\xc0\xcf\xc0\xcc \xbe\xc6\xb4\xd5\xb4\xcf\xb4\xd9!!";
// "Reference 파일이 아닙니다!!"
inline constexpr char kSmdNotReferenceMessage[] =
    "Reference \xc6\xc4\xc0\xcf\xc0\xcc \xbe\xc6\xb4\xd5\xb4\xcf\xb4\xd9!!";
// "Animation 파일이 아닙니다!! (메시 파일입니다)": the file holds a mesh, not an animation.
inline constexpr char kSmdNotAnimationMessage[] =
    "Animation \xc6\xc4\xc0\xcf\xc0\xcc \xbe\xc6\xb4\xd5\xb4\xcf\xb4\xd9!! "
    "(\xb8\xde\xbd\xc3 \xc6\xc4\xc0\xcf\xc0\xd4\xb4\xcf\xb4\xd9)";
inline constexpr char kSmdErrorCaption[] = "Error";
