#include "toolkit/qt/QtTextMirror.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

#include "toolkit/qt/QtText.h"

namespace sigpatch::toolkit::qt {
namespace {

QTextCharFormat colored(std::int32_t color) {
  QTextCharFormat format;
  format.setForeground(QBrush(toQColor(color)));
  return format;
}

// The text as the view holds it: a "\r\n" pair is one line end.
QString viewText(std::u16string_view text) {
  QString converted;
  converted.reserve(static_cast<qsizetype>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
    converted += QChar(text[i]);
  }
  return converted;
}

// Changes of the view made by the program are not the user's.
class ProgramChange {
 public:
  explicit ProgramChange(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~ProgramChange() { flag_ = was_; }
  ProgramChange(const ProgramChange&) = delete;
  ProgramChange& operator=(const ProgramChange&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace

QtTextMirror::QtTextMirror(QTextEdit* view) : view_(view) {}

void QtTextMirror::SetText(std::u16string_view value) {
  text_ = value;
  colors_.assign(text_.size(), 0);
  FindBreaks(0);
  selStart_ = 0;
  selLength_ = 0;
  selColor_ = 0;
  Rebuild();
  ShowSelection();
}

void QtTextMirror::SetSelStart(std::int32_t value) {
  selStart_ = std::clamp(value, 0, Length());
  selLength_ = 0;
  selColor_ = selStart_ > 0 ? colors_[selStart_ - 1] : (colors_.empty() ? 0 : colors_[0]);
  ShowSelection();
}

void QtTextMirror::SetSelLength(std::int32_t value) {
  selLength_ = std::clamp(value, 0, Length() - selStart_);
  ShowSelection();
}

void QtTextMirror::SetSelColor(std::int32_t value) {
  selColor_ = value;
  if (selLength_ == 0) return;
  std::fill_n(colors_.begin() + selStart_, selLength_, value);
  ProgramChange change(updating_);
  QTextCursor cursor(view_->document());
  cursor.setPosition(ToView(selStart_));
  cursor.setPosition(ToView(selStart_ + selLength_), QTextCursor::KeepAnchor);
  cursor.mergeCharFormat(colored(value));
}

void QtTextMirror::SetSelText(std::u16string_view value) {
  const std::int32_t start = selStart_;
  const std::int32_t end = selStart_ + selLength_;
  const bool atEnd = end == Length();
  // A line end that the change splits or makes, at either edge, changes how
  // the view counts the text around it: the view is then made again.
  const bool edgeBreak = (start > 0 && text_[start - 1] == u'\r') ||
                         (end < Length() && text_[end] == u'\n') ||
                         (!value.empty() && value.back() == u'\r' && end < Length());
  const int viewStart = ToView(start);
  const int viewEnd = ToView(end);
  text_.replace(start, selLength_, value);
  colors_.erase(colors_.begin() + start, colors_.begin() + end);
  colors_.insert(colors_.begin() + start, value.size(), selColor_);
  FindBreaks(atEnd && !edgeBreak ? start : 0);
  if (edgeBreak) {
    Rebuild();
  } else {
    ProgramChange change(updating_);
    QTextCursor cursor(view_->document());
    cursor.setPosition(viewStart);
    cursor.setPosition(viewEnd, QTextCursor::KeepAnchor);
    cursor.insertText(viewText(value), colored(selColor_));
  }
  selStart_ = start + static_cast<std::int32_t>(value.size());
  selLength_ = 0;
  ShowSelection();
}

void QtTextMirror::TakeFromView() {
  const QString raw = view_->document()->toRawText();
  text_.clear();
  for (const QChar c : raw) {
    if (c == QChar::ParagraphSeparator) {
      text_ += u"\r\n";
    } else {
      text_ += static_cast<char16_t>(c.unicode());
    }
  }
  colors_.assign(text_.size(), 0);
  FindBreaks(0);
  const QTextCursor cursor = view_->textCursor();
  selStart_ = FromView(cursor.selectionStart());
  selLength_ = FromView(cursor.selectionEnd()) - selStart_;
  selColor_ = 0;
}

int QtTextMirror::ToView(std::int32_t position) const {
  // Each pair that ends before the position counts one less in the view.
  const auto pairs =
      std::lower_bound(breaks_.begin(), breaks_.end(), position - 1) - breaks_.begin();
  return static_cast<int>(position - pairs);
}

std::int32_t QtTextMirror::FromView(int position) const {
  std::int32_t pairs = 0;
  for (std::size_t k = 0; k < breaks_.size(); ++k) {
    if (breaks_[k] - static_cast<std::int32_t>(k) < position) ++pairs;
  }
  return std::min(position + pairs, Length());
}

void QtTextMirror::FindBreaks(std::size_t from) {
  breaks_.erase(std::lower_bound(breaks_.begin(), breaks_.end(), static_cast<std::int32_t>(from)),
                breaks_.end());
  for (std::size_t i = from; i + 1 < text_.size(); ++i) {
    if (text_[i] == u'\r' && text_[i + 1] == u'\n') breaks_.push_back(static_cast<std::int32_t>(i));
  }
}

void QtTextMirror::Rebuild() {
  ProgramChange change(updating_);
  auto* document = view_->document();
  document->clear();
  QTextCursor cursor(document);
  cursor.beginEditBlock();
  QString run;
  std::int32_t runColor = 0;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == u'\n' && i > 0 && text_[i - 1] == u'\r') continue;
    if (!run.isEmpty() && colors_[i] != runColor) {
      cursor.insertText(run, colored(runColor));
      run.clear();
    }
    run += QChar(text_[i]);
    runColor = colors_[i];
  }
  if (!run.isEmpty()) cursor.insertText(run, colored(runColor));
  cursor.endEditBlock();
}

void QtTextMirror::ShowSelection() {
  ProgramChange change(updating_);
  QTextCursor cursor(view_->document());
  cursor.setPosition(ToView(selStart_));
  cursor.setPosition(ToView(selStart_ + selLength_), QTextCursor::KeepAnchor);
  view_->setTextCursor(cursor);
  view_->ensureCursorVisible();
}

}  // namespace sigpatch::toolkit::qt
