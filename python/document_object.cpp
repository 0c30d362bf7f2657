#include "python/document_object.hpp"

#include <charconv>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace py = pybind11;

namespace {

// A recursive-descent reader of the document. The numbers are read as json.loads reads them: an
// integer's digits as an int, anything else as the double nearest the decimal (std::from_chars
// and Python's float() both round correctly), so each value is the one json.loads gives.
class DocumentReader {
public:
    explicit DocumentReader(std::string_view text) : text_(text) {}

    py::object document() {
        py::object value = this->value();
        skipSpace();
        if (at_ != text_.size()) fail("text after the document");
        return value;
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw std::invalid_argument(std::string("JSON document: ") + what + " at byte " + std::to_string(at_));
    }

    void skipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
            ++at_;
    }
    char peek() {
        skipSpace();
        if (at_ >= text_.size()) fail("end of text");
        return text_[at_];
    }
    void expect(char c) {
        if (peek() != c) fail("unexpected character");
        ++at_;
    }
    void word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) fail("unknown word");
        at_ += w.size();
    }

    py::object value() {
        switch (peek()) {
            case '{': return object();
            case '[': return array();
            case '"': return string();
            case 'n': word("null"); return py::none();
            case 't': word("true"); return py::bool_(true);
            case 'f': word("false"); return py::bool_(false);
            default: return number();
        }
    }

    py::object object() {
        ++at_;
        py::dict d;
        if (peek() == '}') {
            ++at_;
            return d;
        }
        for (;;) {
            if (peek() != '"') fail("a member without a name");
            py::object k = key();
            expect(':');
            py::object v = value();
            if (PyDict_SetItem(d.ptr(), k.ptr(), v.ptr()) != 0) throw py::error_already_set();
            if (peek() == ',') {
                ++at_;
                continue;
            }
            expect('}');
            return d;
        }
    }

    py::object array() {
        ++at_;
        py::list l;
        if (peek() == ']') {
            ++at_;
            return l;
        }
        for (;;) {
            py::object v = value();
            if (PyList_Append(l.ptr(), v.ptr()) != 0) throw py::error_already_set();
            if (peek() == ',') {
                ++at_;
                continue;
            }
            expect(']');
            return l;
        }
    }

    // A member's name: the same few names come again and again, so each is made once a document.
    py::object key() {
        const std::size_t start = at_;
        std::size_t end = start + 1;
        while (end < text_.size() && text_[end] != '"' && text_[end] != '\\') ++end;
        if (end < text_.size() && text_[end] == '"') {
            const std::string_view raw = text_.substr(start, end + 1 - start);
            const auto known = keys_.find(raw);
            if (known != keys_.end()) {
                at_ = end + 1;
                return known->second;
            }
            py::object k = string();
            keys_.emplace(raw, k);
            return k;
        }
        return string();
    }

    py::object string() {
        ++at_;
        std::string decoded;
        for (;;) {
            std::size_t stop = at_;
            while (stop < text_.size() && text_[stop] != '"' && text_[stop] != '\\') ++stop;
            if (stop == text_.size()) fail("a string without its end");
            decoded.append(text_, at_, stop - at_);
            at_ = stop + 1;
            if (text_[stop] == '"') break;
            if (at_ >= text_.size()) fail("a string without its end");
            const char escaped = text_[at_++];
            switch (escaped) {
                case '"': decoded += '"'; break;
                case '\\': decoded += '\\'; break;
                case '/': decoded += '/'; break;
                case 'b': decoded += '\b'; break;
                case 'f': decoded += '\f'; break;
                case 'n': decoded += '\n'; break;
                case 'r': decoded += '\r'; break;
                case 't': decoded += '\t'; break;
                case 'u': appendCodePoint(decoded); break;
                default: fail("an unknown escape");
            }
        }
        PyObject* s = PyUnicode_DecodeUTF8(decoded.data(), static_cast<Py_ssize_t>(decoded.size()), "surrogatepass");
        if (!s) throw py::error_already_set();
        return py::reinterpret_steal<py::object>(s);
    }

    unsigned hex4() {
        if (at_ + 4 > text_.size()) fail("a short \\u escape");
        unsigned v = 0;
        const auto r = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, v, 16);
        if (r.ptr != text_.data() + at_ + 4) fail("a bad \\u escape");
        at_ += 4;
        return v;
    }

    // \uXXXX, a pair of them for a character beyond the first plane; a lone surrogate is kept as
    // json.loads keeps it.
    void appendCodePoint(std::string& out) {
        unsigned c = hex4();
        if (c >= 0xD800 && c < 0xDC00 && text_.substr(at_, 2) == "\\u") {
            const std::size_t back = at_;
            at_ += 2;
            const unsigned low = hex4();
            if (low >= 0xDC00 && low < 0xE000) c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            else at_ = back;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    py::object number() {
        const std::size_t start = at_;
        bool integral = true;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c >= '0' && c <= '9') {
                ++at_;
            } else if (c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-') {
                integral = false;
                ++at_;
            } else {
                break;
            }
        }
        const char* first = text_.data() + start;
        const char* last = text_.data() + at_;
        if (first == last) fail("unexpected character");
        if (integral) {
            long long v = 0;
            const auto r = std::from_chars(first, last, v);
            if (r.ec == std::errc() && r.ptr == last) return py::reinterpret_steal<py::object>(PyLong_FromLongLong(v));
            // Beyond 64 bits: Python's own digits.
            PyObject* big = PyLong_FromString(std::string(first, last).c_str(), nullptr, 10);
            if (!big) throw py::error_already_set();
            return py::reinterpret_steal<py::object>(big);
        }
        double v = 0.0;
        const auto r = std::from_chars(first, last, v);
        if (r.ec != std::errc() || r.ptr != last) fail("a bad number");
        return py::reinterpret_steal<py::object>(PyFloat_FromDouble(v));
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::unordered_map<std::string_view, py::object> keys_;
};

}  // namespace

py::object documentObject(std::string_view json) { return DocumentReader(json).document(); }
