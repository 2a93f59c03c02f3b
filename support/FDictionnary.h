#pragma once
#include <set>

#include "support/CaseFolding.h"
#include "support/Chaine.h"

// A sorted set of texts in which each key appears once: compared byte for
// byte here, through the case-folding table in FDictionnaryNoCase. One thread
// at a time.
class FDictionnary {
    struct Less {
        bool ignoreCase;
        bool operator()(const Chaine& a, const Chaine& b) const {
            return CaseFolding::Compare(a.View(), b.View(), ignoreCase) < 0;
        }
    };
    using Keys = std::set<Chaine, Less>;

public:
    FDictionnary() : FDictionnary(false) {}
    virtual ~FDictionnary() = default;

    // False when an equal key is already there (the first one stays).
    bool Add(const Chaine& key) { return keys.insert(key).second; }
    bool Contains(const Chaine& key) const { return keys.count(key) != 0; }
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
