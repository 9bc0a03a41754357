# Run as a script (cmake -P) once the setup program and the package are built: writes the winget manifest set for
# both beside them. In: SETUP (the setup program), URL (where it is published), MSI (the package), MSI_URL, VERSION,
# ARCH, OUT_DIR. The package's product code is read from the package itself (msiinfo, from msitools).
file(SHA256 "${SETUP}" hash)
string(TOUPPER "${hash}" hash)
file(SHA256 "${MSI}" msi_hash)
string(TOUPPER "${msi_hash}" msi_hash)
execute_process(COMMAND msiinfo export "${MSI}" Property OUTPUT_VARIABLE properties COMMAND_ERROR_IS_FATAL ANY)
if(NOT properties MATCHES "\nProductCode\t({[-0-9A-F]+})")
  message(FATAL_ERROR "${MSI} has no ProductCode")
endif()
set(PRODUCT_CODE "${CMAKE_MATCH_1}")
set(head "# Made by the build for ${SETUP_NAME}\nPackageIdentifier: Fenwa.BLIMO\nPackageVersion: ${VERSION}\n")
set(tail "ManifestVersion: 1.6.0\n")
file(WRITE "${OUT_DIR}/Fenwa.BLIMO.yaml" "${head}DefaultLocale: en-US\nManifestType: version\n${tail}")
file(WRITE "${OUT_DIR}/Fenwa.BLIMO.installer.yaml" "${head}Scope: machine
InstallModes:
  - silent
  - silentWithProgress
UpgradeBehavior: install
Installers:
  - Architecture: ${ARCH}
    InstallerType: nullsoft
    InstallerSwitches:
      Silent: /S
      SilentWithProgress: /S
    InstallerUrl: ${URL}
    InstallerSha256: ${hash}
  - Architecture: ${ARCH}
    InstallerType: wix
    ProductCode: '${PRODUCT_CODE}'
    InstallerUrl: ${MSI_URL}
    InstallerSha256: ${msi_hash}
ManifestType: installer
${tail}")
file(WRITE "${OUT_DIR}/Fenwa.BLIMO.locale.en-US.yaml" "${head}PackageLocale: en-US
Publisher: Fenwa Inc
PackageName: BLIMO
License: Freeware
ShortDescription: Switches the screensaver on and off from the notification area.
Description: A double click on the icon switches the screensaver; BLIMO.exe /off:60 turns it off for an hour.
Tags:
  - screensaver
ManifestType: defaultLocale
${tail}")
