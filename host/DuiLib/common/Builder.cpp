// The skin builder: controls, window values, fonts and user values from a skin's XML, read with
// pugixml.
#include "UIManager.h"

#include "Text.h"

#include <pugixml.hpp>

#include <cstdio>
#include <string>

namespace DuiLib {

namespace {

class Builder {
public:
    explicit Builder(CPaintManagerUI* manager) : manager_(manager) {}

    CControlUI* Build(const pugi::xml_node& top, CControlUI* parent) {
        pugi::xml_node root = top;
        if (std::string(top.name()) == "Window") {
            ReadWindow(top);
            root = pugi::xml_node();
            for (pugi::xml_node child : top.children()) {
                if (!IsWindowSetting(child.name()) && child.type() == pugi::node_element) {
                    root = child;
                    break;
                }
            }
        }
        return root ? Create(root, parent) : nullptr;
    }

private:
    static bool IsWindowSetting(const std::string& name) {
        return name == "Font" || name == "UserValue";
    }

    void ReadWindow(const pugi::xml_node& window) {
        if (!manager_) {
            return;
        }
        auto scale = [](int v) { return CResourceManager::GetInstance()->Scale(v); };
        int cx = 0;
        int cy = 0;
        if (std::sscanf(window.attribute("size").value(), "%d,%d", &cx, &cy) == 2) {
            manager_->SetInitSize(scale(cx), scale(cy));
        }
        int l = 0, t = 0, r = 0, b = 0;
        if (std::sscanf(window.attribute("caption").value(), "%d,%d,%d,%d", &l, &t, &r, &b) == 4) {
            manager_->SetCaptionRect(RECT{scale(l), scale(t), scale(r), scale(b)});
        }
        if (window.attribute("defaultfontcolor")) {
            manager_->SetDefaultFontColor(Utils::GetColorFromString(
                duilibtext::FromUtf8(window.attribute("defaultfontcolor").value()).c_str()));
        }
        for (pugi::xml_node font : window.children("Font")) {
            TFontInfo info;
            if (font.attribute("name")) {
                info.name = duilibtext::FromUtf8(font.attribute("name").value());
            }
            info.designSize = font.attribute("size").as_int(12);
            info.size = scale(info.designSize);
            info.bold = font.attribute("bold").as_bool(false);
            manager_->AddFont(font.attribute("id").as_int(0), info);
        }
        for (pugi::xml_node value : window.children("UserValue")) {
            manager_->SetUserValue(duilibtext::FromUtf8(value.attribute("name").value()).c_str(),
                                   duilibtext::FromUtf8(value.attribute("value").value()).c_str());
        }
    }

    CControlUI* New(const std::string& name) {
        if (name == "Control")
            return new CControlUI;
        if (name == "Container")
            return new CContainerUI;
        if (name == "VerticalLayout")
            return new CVerticalLayoutUI;
        if (name == "HorizontalLayout")
            return new CHorizontalLayoutUI;
        if (name == "TabLayout")
            return new CTabLayoutUI;
        if (name == "Label")
            return new CLabelUI;
        if (name == "Text")
            return new CTextUI;
        if (name == "Button")
            return new CButtonUI;
        if (name == "List")
            return new CListUI;
        return nullptr;
    }

    CControlUI* Create(const pugi::xml_node& node, CControlUI* parent) {
        CControlUI* control = New(node.name());
        if (!control) {
            return nullptr;
        }
        for (pugi::xml_attribute attribute : node.attributes()) {
            control->SetAttribute(duilibtext::FromUtf8(attribute.name()).c_str(),
                                  duilibtext::FromUtf8(attribute.value()).c_str());
        }
        auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
        if (parent) {
            auto* into = static_cast<CContainerUI*>(parent->GetInterface(L"Container"));
            if (!into || !into->Add(control)) {
                delete control;
                return nullptr;
            }
        } else if (manager_) {
            control->SetManager(manager_, nullptr, true);
        }
        if (container) {
            for (pugi::xml_node child : node.children()) {
                if (child.type() == pugi::node_element) {
                    Create(child, container);
                }
            }
        }
        return control;
    }

    CPaintManagerUI* manager_;
};

}  // namespace

CControlUI* CDialogBuilder::Create(const wchar_t* xml, const wchar_t* /*type*/,
                                   IDialogBuilderCallback*, CPaintManagerUI* manager,
                                   CControlUI* parent) {
    if (!xml) {
        return nullptr;
    }
    pugi::xml_document document;
    if (!document.load_file(CPaintManagerUI::ResolveResource(xml).c_str())) {
        return nullptr;
    }
    return Builder(manager).Build(document.document_element(), parent);
}

CControlUI* CDialogBuilder::CreateFromText(const std::string& xmlText, IDialogBuilderCallback*,
                                           CPaintManagerUI* manager, CControlUI* parent) {
    pugi::xml_document document;
    if (!document.load_string(xmlText.c_str())) {
        return nullptr;
    }
    return Builder(manager).Build(document.document_element(), parent);
}

}  // namespace DuiLib
