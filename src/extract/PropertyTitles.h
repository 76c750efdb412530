// The titles of the document properties by key: the same key means the same property
// in every extractor (1 title, 6 author, 129 file version...).
#pragma once

namespace quillora {

class CPropertyTitles {
public:
    // The title of `key`; an empty text for a key without one. `moduleReader` picks
    // the MODULE reader's title for key 135 ("特殊ﾋﾞﾙﾄﾞ" instead of "ﾃﾝﾌﾟﾚｰﾄ").
    static const char* Title(int key, bool moduleReader = false);
};

} // namespace quillora
