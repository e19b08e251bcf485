#include "model/start_tag_attributes.h"

#include "markup/xml_document.h"

namespace plotwright::model {

void StartTagAttributes::read(std::wstring_view tag)
{
    markup::StartTagAttributeWalk walk(tag);
    read(walk);
}

void StartTagAttributes::readCurrent(const CXmlDocument& document)
{
    markup::StartTagAttributeWalk walk = document.CurrentAttributes();
    read(walk);
}

void StartTagAttributes::read(markup::StartTagAttributeWalk& walk)
{
    attributes_.clear();
    Attribute attribute;
    while (walk.next(attribute.name, attribute.value))
        attributes_.push_back(attribute);
}

std::wstring_view StartTagAttributes::raw(std::wstring_view name) const
{
    for (const Attribute& attribute : attributes_)
        if (attribute.name == name)
            return attribute.value;
    return {};
}

std::wstring StartTagAttributes::value(std::wstring_view name) const
{
    const std::wstring_view text = raw(name);
    return text.find(L'&') == std::wstring_view::npos ? std::wstring(text) : UnescapeText(text);
}

} // namespace plotwright::model
