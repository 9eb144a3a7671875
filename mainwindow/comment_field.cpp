#include "mainwindow/comment_field.h"

namespace calidarix {

QString StoreComment(TDTV &dtv, const QString &text) {
  dtv.SetCommentText(text);
  return dtv.CommentText();
}

} // namespace calidarix
