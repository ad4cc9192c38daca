#pragma once

#include <QByteArrayView>

#include <functional>

namespace velmora::html {

// Small pieces of HTML tokenizing on raw page bytes, for the places that must look at markup
// without building a tree: the charset prescan and the region markup of the ad reader. They follow
// the HTML tokenizer's rules for tags, attributes and comments; character references are left as
// they are.

// Kinds of markup that start at a '<'.
enum class TagKind {
    Text,    // a '<' that starts nothing: it is text
    Start,   // <name ...>
    End,     // </name ...>
    Comment, // <!-- -->, <! >, <? >, </ followed by something else than a letter
};

struct Tag {
    TagKind kind = TagKind::Text;
    QByteArrayView name;      // as written (compare ignoring case)
    bool selfClosing = false; // written with "/>"
    qsizetype end = 0;        // just after the markup; for Text just after the '<'
    bool complete = false;    // false when the text ended before the markup did
};

using AttributeVisitor = std::function<void(QByteArrayView name, QByteArrayView value)>;

// Reads the markup that starts at text[lt] == '<'. For a start tag each attribute is handed to
// onAttribute (name as written, value without its quotes) when one is given.
Tag readTag(QByteArrayView text, qsizetype lt, const AttributeVisitor& onAttribute = {});

// Index just after the end tag "</name" (any case, followed by a blank, '/' or '>') that closes a
// raw-text element whose content starts at `from`, or text.size() when there is none.
qsizetype skipRawText(QByteArrayView text, qsizetype from, QByteArrayView name);

} // namespace velmora::html
