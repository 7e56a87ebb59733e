#include "app/case_json.h"

#include <cstdint>

namespace {

// Deeper nesting than any case file needs; it bounds the recursion.
constexpr int kMaxDepth = 64;

// Recursive descent over the JSON grammar, keeping the line of every token.
class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : text_(text) {}

  bool parse(CaseNode& root) {
    skipBlanks();
    if (!value(root, 0))
      return false;
    skipBlanks();
    if (pos_ < text_.size())
      return fail("unexpected text after the document's end");
    return true;
  }
  long errorLine() const { return errorLine_; }
  const std::string& error() const { return error_; }

 private:
  bool fail(const std::string& reason) {
    if (error_.empty()) {
      errorLine_ = line_;
      error_ = reason;
    }
    return false;
  }

  void skipBlanks() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
      } else if (c != ' ' && c != '\t' && c != '\r') {
        return;
      }
      ++pos_;
    }
  }

  bool take(char expected) {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == expected) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool value(CaseNode& node, int depth) {
    skipBlanks();
    node.line = line_;
    if (depth > kMaxDepth)
      return fail("nested too deeply");
    if (pos_ >= text_.size())
      return fail("the document ends where a value is expected");
    const char c = text_[pos_];
    if (c == '{')
      return object(node, depth);
    if (c == '[')
      return array(node, depth);
    if (c == '"') {
      node.kind = CaseNode::Kind::kScalar;
      node.quoted = true;
      return string(node.scalar);
    }
    return literal(node);
  }

  bool object(CaseNode& node, int depth) {
    node.kind = CaseNode::Kind::kMap;
    ++pos_;
    if (take('}'))
      return true;
    for (;;) {
      skipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != '"')
        return fail("expected a key in double quotes");
      CaseNode key;
      key.kind = CaseNode::Kind::kScalar;
      key.quoted = true;
      key.line = line_;
      if (!string(key.scalar))
        return false;
      if (!take(':'))
        return fail("expected ':' after the key");
      CaseNode item;
      if (!value(item, depth + 1))
        return false;
      node.entries.emplace_back(std::move(key), std::move(item));
      if (take('}'))
        return true;
      if (!take(','))
        return fail("expected ',' or '}' in the object");
    }
  }

  bool array(CaseNode& node, int depth) {
    node.kind = CaseNode::Kind::kSequence;
    ++pos_;
    if (take(']'))
      return true;
    for (;;) {
      CaseNode item;
      if (!value(item, depth + 1))
        return false;
      node.items.push_back(std::move(item));
      if (take(']'))
        return true;
      if (!take(','))
        return fail("expected ',' or ']' in the list");
    }
  }

  // A number, true, false or null: the run of characters up to a delimiter, kept as text (the
  // checks read numbers themselves); null is nothing.
  bool literal(CaseNode& node) {
    const std::size_t start = pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == ',' || c == '}' || c == ']' || c == ' ' || c == '\t' || c == '\r' || c == '\n')
        break;
      ++pos_;
    }
    const std::string word = text_.substr(start, pos_ - start);
    if (word.empty())
      return fail("expected a value");
    const bool number = word.find_first_not_of("0123456789+-.eE") == std::string::npos;
    if (word == "null")
      return true;
    if (!number && word != "true" && word != "false")
      return fail("'" + word + "' is not a JSON value");
    node.kind = CaseNode::Kind::kScalar;
    node.scalar = word;
    return true;
  }

  static void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xc0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xe0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
      out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
      out += static_cast<char>(0xf0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
      out += static_cast<char>(0x80 | (code & 0x3f));
    }
  }

  bool hex4(std::uint32_t& code) {
    if (pos_ + 4 > text_.size())
      return fail("a \\u escape needs four hexadecimal digits");
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0)
        return fail("a \\u escape needs four hexadecimal digits");
      code = code * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }

  bool string(std::string& out) {
    ++pos_;  // the opening quote
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"')
        return true;
      if (c == '\n')
        return fail("a text ends at the end of its line without its closing quote");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size())
        break;
      const char e = text_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t code;
          if (!hex4(code))
            return false;
          if (code >= 0xd800 && code < 0xdc00 && text_.compare(pos_, 2, "\\u") == 0) {
            pos_ += 2;
            std::uint32_t low;
            if (!hex4(low))
              return false;
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
          }
          appendUtf8(out, code);
          break;
        }
        default:
          return fail(std::string("unknown escape \\") + e);
      }
    }
    return fail("the document ends inside a text");
  }

  const std::string& text_;
  std::size_t pos_ = 0;
  long line_ = 1;
  long errorLine_ = 0;
  std::string error_;
};

}  // namespace

bool parseCaseJson(const std::string& text, CaseNode& root, long& errorLine, std::string& error) {
  JsonParser parser(text);
  if (parser.parse(root))
    return true;
  errorLine = parser.errorLine();
  error = parser.error();
  return false;
}
