// TGenerator: an object placed on a page, stored not as the object but as the
// recipe for it: the class, the global that receives the object, constructor
// arguments and initial field values, all as script source text. A
// generator creates its object during initialisation passes (create, then fill
// and generate), and writes the object's state back when the page is saved.
#pragma once

#include "runtime/resource.h"

#include <string>
#include <utility>
#include <vector>

namespace ravok {

class TSGML;
class TRTTI;

class TGenerator : public TResource {
public:
    using TEntries = std::vector<std::pair<std::string, std::string>>; // field or parameter, source

    TGenerator(const TSGML& element, const std::string& baseDir);
    ~TGenerator() override;
    const char* hostClassName() const override { return "TGenerator"; }

    void initStep(TInitContext& context) override;
    void save(TLines& lines, const std::string& indent) override;

    // Replaces the entry of the field (or removes it when text is empty).
    void setInstanceValue(const std::string& field, const std::string& text);

    // The class named by className, found from the root; nullptr when none.
    TRTTI* generatedClass() const;
    // Whether the class has a field of that name.
    static bool hasField(TRTTI* cls, const std::string& field);

    std::string className;
    TEntries instanceValues;
    TEntries constructorValues;
    int state = 0; // 0 nothing pending, 1 fill pending, 2 no such class, 3 failed

private:
    void create();
    void fill();
};

// Registers the generator tag with the resource reader.
void registerGeneratorKind();

} // namespace ravok
