#include "mainwindow/comment_field.h"

#include <gtest/gtest.h>

#include <string>

namespace calidarix {
namespace {

// The 64 header bytes after storing a text over a field that held 64 "x" characters.
TEST(CommentFieldTest, StoredTextAndHeaderBytes) {
  const QString seventy = QString(70, QLatin1Char('a'));
  const struct {
    QString typed;
    QString stored;
    std::string bytes;  // the field's leading bytes
    std::size_t zeroAt; // first zero byte; 64: none
  } cases[] = {
      {QStringLiteral("Hot joint"), QStringLiteral("Hot joint"), "Hot joint", 9},
      {QString(), QString(), "", 0},
      {seventy, QString(64, QLatin1Char('a')), std::string(64, 'a'), 64},
      {QString(63, QLatin1Char('b')), QString(63, QLatin1Char('b')), std::string(63, 'b'), 63},
      {QString::fromUtf8("Щит №3"), QString::fromUtf8("Щит №3"), "\xD9\xE8\xF2 \xB9\x33", 6},
      {QString::fromUtf8("日本"), QStringLiteral("??"), "??", 2},
  };
  for (const auto &c : cases) {
    TDTV dtv;
    dtv.FHeader.Comment.fill('x');
    EXPECT_EQ(StoreComment(dtv, c.typed), c.stored) << c.typed.toStdString();
    const std::string field(dtv.FHeader.Comment.begin(), dtv.FHeader.Comment.end());
    EXPECT_EQ(field.substr(0, c.bytes.size()), c.bytes) << c.typed.toStdString();
    EXPECT_EQ(field.find('\0') == std::string::npos ? 64 : field.find('\0'), c.zeroAt)
        << c.typed.toStdString();
    EXPECT_EQ(dtv.CommentText(), c.stored);
  }
}

} // namespace
} // namespace calidarix
