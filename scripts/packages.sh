# shellcheck shell=bash disable=SC2034  # sourced by ./run and ./test, which read the lists
# The Debian packages Velloran needs, and what installs those that are missing.

# To build and run the program (sqlcipher is the shell the README reads finance.mdb with).
velloran_run_packages=(
  cmake make g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsqlcipher-dev sqlcipher mdbtools-dev
  fonts-noto-cjk fonts-liberation2 adwaita-icon-theme
)

# In addition, to run the tests: the end-to-end run under Xvfb with a notification area
# (trayer), the fuzz targets built with clang's libFuzzer, the format check, and the checks of
# the installed menu entry and metainfo; dpkg-dev's dpkg-shlibdeps for `cpack -G DEB`.
velloran_test_packages=(
  xvfb xdotool xauth python3 trayer mdbtools
  clang clang-format libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev
)

# ensure_packages package...: installs, with one apt-get run, those of the packages that are missing.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
