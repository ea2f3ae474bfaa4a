// The window in which dsphost shows a plug-in's property pages, behaving as
// a media player's frame does. Wine's OleCreatePropertyFrame never enables
// Apply and never calls IPropertyPage::Apply, so a page's Apply would never
// run under it.
//
// - One tab per page, titled from the page's GetPageInfo; the largest page
//   size lays out the window. OK, Cancel and Apply below.
// - A page's PROPPAGESTATUS_DIRTY enables Apply; PROPPAGESTATUS_CLEAN, and
//   every Apply, disable it again once no page is dirty.
// - Apply and OK call Apply on every dirty page; OK then deactivates the
//   pages and closes. A page whose Apply fails keeps the frame open, on that
//   page. Cancel, Escape and the close box deactivate without applying.
// - Keyboard messages go to the shown page's TranslateAccelerator first,
//   then to the frame's own dialog navigation.
#pragma once

#include <windows.h>
#include <ocidl.h>

namespace dsphost {

enum class FrameResult { Ok, Cancel };

// Creates the pages by class, hands each of them the objects and runs the
// frame modally until the user closes it. Fails when a page cannot be
// created or described, or the window cannot be made.
HRESULT ShowPropertyFrame(const wchar_t* caption, ULONG objectCount, IUnknown** objects, const CAUUID& pageClasses,
                          FrameResult* result);

}  // namespace dsphost
