#pragma once
#include <set>

#include "support/CaseFolding.h"
#include "support/Chaine.h"

// A sorted set of texts in which each text appears once, in byte order here,
// in FDictionnaryNoCase in the order of the case-folding table ("alpha",
// "Beta", "gamma"). Texts that differ only in case stay apart in both: they
// name different folders on this system. One thread at a time.
class FDictionnary {
    struct Less {
        bool ignoreCase;
        bool operator()(const Chaine& a, const Chaine& b) const {
            const int folded = ignoreCase ? CaseFolding::Compare(a.View(), b.View(), true) : 0;
            return folded != 0 ? folded < 0 : CaseFolding::Compare(a.View(), b.View(), false) < 0;
        }
    };
    using Keys = std::set<Chaine, Less>;

public:
    FDictionnary() : FDictionnary(false) {}
    virtual ~FDictionnary() = default;

    // False when the text is already there.
    bool Add(const Chaine& key) { return keys.insert(key).second; }
    std::size_t GetCount() const { return keys.size(); }
    void RemoveAll() { keys.clear(); }
    Keys::const_iterator begin() const { return keys.begin(); }
    Keys::const_iterator end() const { return keys.end(); }

protected:
    explicit FDictionnary(bool ignoreCase) : keys(Less{ignoreCase}) {}

private:
    Keys keys;
};

class FDictionnaryNoCase : public FDictionnary {
public:
    FDictionnaryNoCase() : FDictionnary(true) {}
};
