# Sourced by the scripts that fetch Debian's source packages (portable-root.sh, windows-decoders.sh).
# The Debian mirror this machine already uses: the first address of its entry for its own release,
# so that no host name is written into the project.
debian_mirror() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    awk -v codename="$codename" '
      /^[[:space:]]*$/ { if (suite_ok && uri != "") { print uri; exit } suite_ok = 0; uri = ""; next }
      $1 == "URIs:" { uri = $2 }
      $1 == "Suites:" { for (i = 2; i <= NF; i++) if ($i == codename) suite_ok = 1 }
      END { if (suite_ok && uri != "") print uri }' /etc/apt/sources.list.d/debian.sources | head -n 1
  else
    sed -E 's/\[[^]]*\]//' /etc/apt/sources.list 2>/dev/null |
      awk -v codename="$codename" '$1 == "deb" && $3 == codename { print $2; exit }'
  fi
}
