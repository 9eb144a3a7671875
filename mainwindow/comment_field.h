#pragma once
// The 64-character comment in a thermogram's header, as the user edits it: in place under the image
// and in the comment dialog of the save with a comment.

#include "thermogram/tdtv.h"

#include <QString>

namespace calidarix {

inline constexpr int kCommentLength = 64;

// Stores a typed comment: its first 64 characters go to the field, a shorter text is followed by a
// zero byte and an empty text clears the field. Characters the Windows-1251 code page lacks are
// stored as "?". Returns the text the field now holds, which is what the labels should show.
QString StoreComment(TDTV &dtv, const QString &text);

} // namespace calidarix
