#pragma once
// The installer's exception classes. Handlers catch Exception; the classes
// only tell the kind of failure.
#include "zor/base/Exceptions.h"

ZOR_DECLARE_EXCEPTION(EInstallerGeneralError, Exception);
ZOR_DECLARE_EXCEPTION(EInstallerBackupError, EInstallerGeneralError);
ZOR_DECLARE_EXCEPTION(EInstallerInstallError, EInstallerGeneralError);
ZOR_DECLARE_EXCEPTION(EInstallerUpdateError, EInstallerInstallError);
ZOR_DECLARE_EXCEPTION(EInstallerMysteryError, EInstallerGeneralError);

class EInstallerNoAdminRightsError : public EInstallerGeneralError {
public:
  EInstallerNoAdminRightsError() : EInstallerGeneralError(L"Administrator rights are required to process this operation.") {}
  const wchar_t* ClassName() const noexcept override { return L"EInstallerNoAdminRightsError"; }
};
