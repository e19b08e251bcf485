#pragma once
// The editor's open drawings are the module host's documents: the module finds them,
// and the current one, through the host's document manager, so the editor keeps its
// drawings there too. The editor's code calls them documents; only the tabs that open
// and close them (document_tabs.cpp) talk to the manager itself. Their full declaration
// is host/doc_manager.h.

class AcApDocument;

namespace plotwright::editor {

using Document = AcApDocument;

} // namespace plotwright::editor
