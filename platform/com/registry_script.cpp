#include "platform/com/registry_script.h"

#include <cwctype>

namespace platform {
namespace {

struct ParseError {
    std::string reason;
};

enum class TokenKind { Word, Quoted, Open, Close, Equals, End };

struct Token {
    TokenKind kind;
    std::wstring text;
};

bool sameWord(const std::wstring& word, const wchar_t* expected) {
    if (word.size() != std::wcslen(expected)) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (std::towlower(word[i]) != std::towlower(expected[i])) return false;
    }
    return true;
}

class Tokenizer {
public:
    Tokenizer(std::wstring_view text, const std::map<std::wstring, std::wstring>& replacements)
        : text_(text), replacements_(replacements) {}

    Token next() {
        skipBlanks();
        if (at_ >= text_.size()) return {TokenKind::End, {}};
        const wchar_t c = text_[at_];
        // A braced identifier ({CLSID}) is a name, not the start of a key's body.
        if (c == L'{' && at_ + 1 < text_.size() && std::iswxdigit(text_[at_ + 1])) return {TokenKind::Word, braced()};
        if (c == L'{' || c == L'}' || c == L'=') {
            ++at_;
            return {c == L'{' ? TokenKind::Open : c == L'}' ? TokenKind::Close : TokenKind::Equals, {}};
        }
        if (c == L'\'') return {TokenKind::Quoted, quoted()};
        return {TokenKind::Word, word()};
    }

private:
    void skipBlanks() {
        while (at_ < text_.size() && std::iswspace(text_[at_])) ++at_;
    }

    // A %NAME% reference at the current position, the opening % already seen.
    void replace(std::wstring& out) {
        const size_t end = text_.find(L'%', at_);
        if (end == std::wstring_view::npos) throw ParseError{"unterminated replacement"};
        const std::wstring name(text_.substr(at_, end - at_));
        at_ = end + 1;
        if (name.empty()) {
            out.push_back(L'%');
            return;
        }
        const auto found = replacements_.find(name);
        if (found == replacements_.end()) throw ParseError{"no value for a replacement"};
        out += found->second;
    }

    std::wstring quoted() {
        std::wstring out;
        ++at_;
        while (true) {
            if (at_ >= text_.size()) throw ParseError{"unterminated string"};
            const wchar_t c = text_[at_++];
            if (c == L'\'') {
                if (at_ < text_.size() && text_[at_] == L'\'') {
                    out.push_back(L'\'');
                    ++at_;
                    continue;
                }
                return out;
            }
            if (c == L'%')
                replace(out);
            else
                out.push_back(c);
        }
    }

    std::wstring braced() {
        const size_t end = text_.find(L'}', at_);
        if (end == std::wstring_view::npos) throw ParseError{"unterminated braced name"};
        std::wstring out(text_.substr(at_, end + 1 - at_));
        at_ = end + 1;
        return out;
    }

    std::wstring word() {
        std::wstring out;
        while (at_ < text_.size()) {
            const wchar_t c = text_[at_];
            if (std::iswspace(c) || c == L'{' || c == L'}' || c == L'=' || c == L'\'') break;
            ++at_;
            if (c == L'%')
                replace(out);
            else
                out.push_back(c);
        }
        return out;
    }

    std::wstring_view text_;
    const std::map<std::wstring, std::wstring>& replacements_;
    size_t at_ = 0;
};

class Parser {
public:
    Parser(std::wstring_view text, const std::map<std::wstring, std::wstring>& replacements)
        : tokens_(text, replacements) {
        advance();
    }

    std::vector<RegistryScriptTree> script() {
        std::vector<RegistryScriptTree> trees;
        while (current_.kind != TokenKind::End) {
            RegistryScriptTree tree{rootOf(expectWord()), {}};
            expect(TokenKind::Open, "a root key must be followed by {");
            while (current_.kind != TokenKind::Close) tree.keys.push_back(key(1));
            advance();
            trees.push_back(std::move(tree));
        }
        return trees;
    }

private:
    void advance() { current_ = tokens_.next(); }

    void expect(TokenKind kind, const char* reason) {
        if (current_.kind != kind) throw ParseError{reason};
        advance();
    }

    std::wstring expectWord() {
        if (current_.kind != TokenKind::Word) throw ParseError{"a name was expected"};
        std::wstring word = std::move(current_.text);
        advance();
        return word;
    }

    std::wstring expectName() {
        if (current_.kind != TokenKind::Word && current_.kind != TokenKind::Quoted)
            throw ParseError{"a key or value name was expected"};
        std::wstring name = std::move(current_.text);
        if (name.empty() || name.find(L'\\') != std::wstring::npos) throw ParseError{"a name must be one level"};
        advance();
        return name;
    }

    static RegistryScriptRoot rootOf(const std::wstring& word) {
        if (sameWord(word, L"HKCR") || sameWord(word, L"HKEY_CLASSES_ROOT")) return RegistryScriptRoot::ClassesRoot;
        if (sameWord(word, L"HKCU") || sameWord(word, L"HKEY_CURRENT_USER")) return RegistryScriptRoot::CurrentUser;
        if (sameWord(word, L"HKLM") || sameWord(word, L"HKEY_LOCAL_MACHINE")) return RegistryScriptRoot::LocalMachine;
        throw ParseError{"unknown root key"};
    }

    // "= s 'text'" or "= d 'number'", the name already read.
    RegistryScriptValue value(std::wstring name) {
        expect(TokenKind::Equals, "= was expected before a value");
        const std::wstring type = expectWord();
        if (current_.kind != TokenKind::Word && current_.kind != TokenKind::Quoted) throw ParseError{"a value was expected"};
        RegistryScriptValue value{std::move(name), false, std::move(current_.text), 0};
        advance();
        if (sameWord(type, L"d")) {
            value.isNumber = true;
            value.number = number(value.text);
        } else if (!sameWord(type, L"s")) {
            throw ParseError{"only s and d values are written"};
        }
        return value;
    }

    static DWORD number(const std::wstring& text) {
        const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
        if (text.empty() || text.size() > (hex ? 10u : 10u)) throw ParseError{"a number was expected"};
        unsigned long long result = 0;
        for (size_t i = hex ? 2 : 0; i < text.size(); ++i) {
            const wchar_t c = text[i];
            unsigned digit;
            if (c >= L'0' && c <= L'9')
                digit = unsigned(c - L'0');
            else if (hex && std::towlower(c) >= L'a' && std::towlower(c) <= L'f')
                digit = unsigned(std::towlower(c) - L'a' + 10);
            else
                throw ParseError{"a number was expected"};
            result = result * (hex ? 16 : 10) + digit;
        }
        if (result > 0xFFFFFFFFull) throw ParseError{"a number is too large"};
        return static_cast<DWORD>(result);
    }

    RegistryScriptKey key(size_t depth) {
        if (depth > kMaxRegistryScriptDepth) throw ParseError{"keys are nested too deeply"};
        RegistryScriptKey key;
        if (current_.kind == TokenKind::Word) {
            if (sameWord(current_.text, L"NoRemove"))
                key.removal = KeyRemoval::NoRemove;
            else if (sameWord(current_.text, L"ForceRemove"))
                key.removal = KeyRemoval::ForceRemove;
            else if (sameWord(current_.text, L"Delete"))
                key.removal = KeyRemoval::Delete;
            if (key.removal != KeyRemoval::Plain) advance();
        }
        key.name = expectName();
        if (current_.kind == TokenKind::Equals) key.defaultValue = value(L"");
        if (current_.kind != TokenKind::Open) return key;
        advance();
        while (current_.kind != TokenKind::Close) {
            if (current_.kind == TokenKind::End) throw ParseError{"unterminated key"};
            if (current_.kind == TokenKind::Word && sameWord(current_.text, L"val")) {
                advance();
                std::wstring name = expectName();
                key.values.push_back(value(std::move(name)));
            } else {
                key.subkeys.push_back(this->key(depth + 1));
            }
        }
        advance();
        return key;
    }

    Tokenizer tokens_;
    Token current_{TokenKind::End, {}};
};

}  // namespace

std::optional<std::vector<RegistryScriptTree>> parseRegistryScript(std::wstring_view script,
                                                                   const std::map<std::wstring, std::wstring>& replacements,
                                                                   std::string& error) {
    if (script.size() > kMaxRegistryScriptLength) {
        error = "the script is too long";
        return std::nullopt;
    }
    try {
        return Parser(script, replacements).script();
    } catch (const ParseError& failure) {
        error = failure.reason;
        return std::nullopt;
    }
}

}  // namespace platform
