// ParseStatement: a tokenizer and a recursive-descent parser for the supported shapes.
#include "recordset/statement.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "common/error.h"
#include "jet/text.h"

namespace frixa {

namespace {

struct Token {
  enum class Kind { kEnd, kName, kNumber, kSymbol, kBad };
  Kind kind = Kind::kEnd;
  std::string text;     // name without brackets; the symbol; the number's digits
  std::size_t start = 0;
};

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) {
  return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c));
}
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (true) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    Token t;
    t.start = i;
    if (i >= s.size()) {
      tokens.push_back(t);
      return tokens;
    }
    const char c = s[i];
    if (IsNameStart(c)) {
      const std::size_t b = i;
      while (i < s.size() && IsNameChar(s[i])) ++i;
      t.kind = Token::Kind::kName;
      t.text = std::string(s.substr(b, i - b));
    } else if (c == '[') {
      const std::size_t close = s.find(']', i + 1);
      if (close == std::string_view::npos || close == i + 1) {
        t.kind = Token::Kind::kBad;
        t.text = std::string(s.substr(i));
        i = s.size();
      } else {
        t.kind = Token::Kind::kName;
        t.text = std::string(s.substr(i + 1, close - i - 1));
        i = close + 1;
      }
    } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      const std::size_t b = i;
      while (i < s.size() && IsDigit(s[i])) ++i;
      if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i;
      }
      if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
          while (j < s.size() && IsDigit(s[j])) ++j;
          i = j;
        }
      }
      t.kind = Token::Kind::kNumber;
      t.text = std::string(s.substr(b, i - b));
    } else {
      t.kind = Token::Kind::kSymbol;
      t.text = std::string(1, c);
      ++i;
    }
    tokens.push_back(t);
  }
}

class Parser {
 public:
  explicit Parser(std::string_view sql) : sql_(sql), tokens_(Tokenize(sql)) {}

  Statement Parse() {
    Statement st;
    if (!IsKeyword(Peek(), "SELECT")) RaiseJetError(errnum::kJetInvalidStatement);
    ++pos_;
    ParseSelectList(st);
    if (!IsKeyword(Peek(), "FROM")) RaiseJetError(errnum::kJetSelectSyntax);
    ++pos_;
    if (Peek().kind != Token::Kind::kName || IsReserved(Peek())) {
      RaiseJetError(errnum::kJetSyntaxInFrom);
    }
    st.table = Next().text;
    if (IsKeyword(Peek(), "WHERE")) {
      ++pos_;
      st.where = ParseCriterion();
    }
    if (IsSymbol(Peek(), ";")) {
      ++pos_;
      if (Peek().kind != Token::Kind::kEnd) RaiseJetError(errnum::kJetCharactersAfterEnd);
    }
    if (Peek().kind != Token::Kind::kEnd) {
      if (st.where) RaiseJetError(errnum::kJetSyntax, WhereText());
      RaiseJetError(errnum::kJetSyntaxInFrom);
    }
    return st;
  }

 private:
  const Token& Peek() const { return tokens_[pos_]; }
  const Token& Next() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }

  static bool IsKeyword(const Token& t, std::string_view word) {
    return t.kind == Token::Kind::kName && jet::EqualsIgnoreCase(t.text, word);
  }
  static bool IsSymbol(const Token& t, std::string_view symbol) {
    return t.kind == Token::Kind::kSymbol && t.text == symbol;
  }
  static bool IsReserved(const Token& t) {
    for (const char* w : {"SELECT", "FROM", "WHERE", "AVG"}) {
      if (IsKeyword(t, w)) return true;
    }
    return false;
  }

  void ParseSelectList(Statement& st) {
    if (IsSymbol(Peek(), "*")) {
      ++pos_;
      st.kind = Statement::Kind::kSelectAll;
      return;
    }
    st.kind = Statement::Kind::kAverage;
    while (true) {
      if (!IsKeyword(Peek(), "AVG")) RaiseJetError(errnum::kJetSelectSyntax);
      ++pos_;
      if (!IsSymbol(Next(), "(")) RaiseJetError(errnum::kJetSelectSyntax);
      const Token& column = Next();
      if (column.kind != Token::Kind::kName || IsReserved(column)) {
        RaiseJetError(errnum::kJetSelectSyntax);
      }
      if (!IsSymbol(Next(), ")")) RaiseJetError(errnum::kJetSelectSyntax);
      st.averaged.push_back(column.text);
      if (!IsSymbol(Peek(), ",")) return;
      ++pos_;
    }
  }

  // The WHERE expression as written, for the error text.
  std::string WhereText() const {
    std::string text(sql_.substr(whereStart_));
    while (!text.empty() && (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == ';')) {
      text.pop_back();
    }
    return text;
  }

  Criterion ParseCriterion() {
    whereStart_ = Peek().start;
    Criterion c;
    const Token& column = Next();
    if (column.kind != Token::Kind::kName || IsReserved(column) || !IsSymbol(Next(), "=")) {
      RaiseJetError(errnum::kJetSyntax, WhereText());
    }
    c.column = column.text;
    bool negative = false;
    if (IsSymbol(Peek(), "-") || IsSymbol(Peek(), "+")) negative = Next().text == "-";
    const Token& number = Next();
    if (number.kind != Token::Kind::kNumber) RaiseJetError(errnum::kJetSyntax, WhereText());
    double value = 0;
    const char* first = number.text.data();
    const char* last = first + number.text.size();
    const auto res = std::from_chars(first, last, value);
    if (res.ec != std::errc() || res.ptr != last || !std::isfinite(value)) {
      RaiseJetError(errnum::kJetSyntax, WhereText());
    }
    c.value = negative ? -value : value;
    return c;
  }

  std::string_view sql_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  std::size_t whereStart_ = 0;
};

}  // namespace

Statement ParseStatement(std::string_view sql) { return Parser(sql).Parse(); }

}  // namespace frixa
