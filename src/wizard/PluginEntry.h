// The plug-in's entry points, as a host loads the zanmig-wizard library.
//
// A host sets up its IDE services, loads the library and calls
// INITWIZARD0001 with the services, its wizard-register procedure and a
// termination procedure (left untouched). The entry initializes the package
// (lexer tables, the catalogue with its options and twelve replacers) when
// that has not happened yet, creates the expert with the BDE replacer as its
// default and the other eleven in catalogue order, adds "&Migration Wizard"
// under the product menu and registers the expert. It always returns true; an
// exception on the way goes to the host's exception display (the dialog seam).
//
// Before unloading the library the host releases the wizard it was given and
// calls FinalizeWizardPackage, which removes the plug-in's menu items, frees
// the catalogue and puts the plug-in's seams back to their defaults. Unloading
// without it finalizes at library unload.
#pragma once

#include "wizard/OTAWizard.h"

#if defined(__GNUC__)
#define ZAN_WIZARD_EXPORT __attribute__((visibility("default")))
#else
#define ZAN_WIZARD_EXPORT
#endif

namespace zan {
class TCompReplaceExpert;
class TZanCatalogue;

/// The loaded package's expert and catalogue (nullptr when not initialized).
TCompReplaceExpert* WizardPackageExpert();
TZanCatalogue* WizardPackageCatalogue();
}  // namespace zan

extern "C" {

ZAN_WIZARD_EXPORT bool INITWIZARD0001(const std::shared_ptr<zan::IBorlandIDEServices>& services,
                                      zan::TWizardRegisterProc registerProc,
                                      zan::TWizardTerminateProc* terminateProc);

/// The package's initialization: the lexer tables and the catalogue. Run by
/// INITWIZARD0001 when needed; harmless when repeated.
ZAN_WIZARD_EXPORT void InitializeWizardPackage();

/// The package's finalization (see above); harmless when repeated.
ZAN_WIZARD_EXPORT void FinalizeWizardPackage();

}  // extern "C"
