#!/usr/bin/env bash
# End to end under Wine: packages built by setup-pack from examples/demo and from small projects
# written here, installed silently ("-hp") by setup.exe, each in a fresh copy of one booted
# (64-bit) Wine prefix. Checks the exit code, the files, the registry and the shortcuts.
# Usage: tests/e2e/install_e2e.sh [win32|win64]   (default win32, the specified target)
# Tools: SETUP_PACK (default build/native/setup-pack), SETUP_STUB (default build/<build>/setup.exe).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${1:-win32}
. tests/e2e/lib/prefix.sh
echo "install_e2e: the $build build ($stub)"
# The prefix keeps Wine's default code page: this machine has no zh_CN locale generated, and
# under LANG=zh_CN.UTF-8 without it Wine cannot create a file with a Chinese name at all (its own
# cmd fails too). regedit therefore reads the GBK .reg file in the default code page, so the
# import is recognised by its data rather than by its Chinese key name.
boot_template

run_setup() {  # run_setup SETUP.EXE ARGS... -> exit code; sets WINEPREFIX and C (drive_c)
  fresh_prefix
  local exe=$1; shift
  if [ "${exe##*.}" = bat ]; then
    (cd "$(dirname "$exe")" && "$wine64" cmd /c "$(basename "$exe")" >/dev/null 2>&1)
  else
    (cd "$(dirname "$exe")" && "$wine" "$(basename "$exe")" "$@" >/dev/null 2>&1)
  fi
  local rc=$?
  $wineserver -w
  return $rc
}
run_setup_line() {  # run_setup_line SETUP.EXE 'RAW ARGUMENTS' -> exit code
  # Wine re-quotes arguments given from Linux; a batch file hands the line over as a user would
  # type it (a quoted folder after the switch).
  local exe=$1
  printf '@"%s" %s\r\nexit /b %%errorlevel%%\r\n' "$(basename "$exe")" "$2" >"$(dirname "$exe")/run.bat"
  run_setup "$(dirname "$exe")/run.bat"
}
same() { cmp -s "$1" "$2"; echo $?; }
lnk_count() { find "$C/users" -name '*.lnk' 2>/dev/null | wc -l; }

# ---------------------------------------------------------------------------------------------
# 1. The demo product, silently.
demo=$work/demo/setup.exe
"$pack" build examples/demo -o "$demo" --arch "$build" --stub "$stub" >/dev/null
run_setup "$demo" -hp; rc=$?
check "demo -hp: exit 0 (got $rc)" "$(ok $rc = 0)"
app="$C/Program Files/演示软件"
for f in readme.txt bin/演示.bat bin/初始化.cmd bin/演示.ico 数据/说明.txt 文档/说明书.txt; do
  check "demo: $f byte-identical" "$(same "examples/demo/payload/$f" "$app/$f")"
done
check "demo: the assignment group puts 帮助.txt into 帮助\\" "$(same examples/demo/payload/帮助.txt "$app/帮助/帮助.txt")"
check "demo: ...and not into the install folder" "$(ok ! -e "$app/帮助.txt")"
check "demo: the after-unpack command ran (init.log)" "$(ok -s "$app/init.log")"
check "demo: the Unzip section of 基本组件 ran (安装记录.log)" "$(ok -s "$app/数据/安装记录.log")"
key=$(reg_text "$uninstall32\\演示软件")
for v in DisplayIcon DisplayName DisplayVersion UninstallString InstallLocation Publisher; do
  check "demo: Uninstall key (32-bit view, I_reg unset) has $v" "$(ok -n "$(grep "^\"$v\"=" <<<"$key")")"
done
check "demo: DisplayName is name + version" "$(ok -n "$(grep -F '"DisplayName"="演示软件 1.0.0"' <<<"$key")")"
check "demo: no Uninstall key in the 64-bit view" "$(ok -z "$(reg_text "$uninstall64\\演示软件")")"
sw=$(reg_text 'HKCU\Software\演示软件')
check "demo: REG_SZ InstallDir" "$(ok -n "$(grep -F '"InstallDir"="C:\\Program Files\\演示软件"' <<<"$sw")")"
check "demo: REG_DWORD 启动次数 = 256" "$(ok -n "$(grep -F '"启动次数"=dword:00000100' <<<"$sw")")"
check "demo: REG_BINARY Flags" "$(ok -n "$(grep -F '"Flags"=hex:ab,cd,01' <<<"$sw")")"
imported=$(reg_text 'HKCU\Software')
check "demo: .reg import with SXG(%InstallPath%) (single backslashes after regedit)" \
  "$(ok -n "$(grep -A2 -F '"Path"="C:\\Program Files\\' <<<"$imported" | grep -F '"Version"="1.0.0"')")"
menu=$(find "$C/users" -type d -path '*Start Menu/Programs/演示软件' | head -1)
for l in 演示软件 说明书 卸载演示软件; do
  check "demo: program-group shortcut $l.lnk" "$(ok -f "$menu/$l.lnk")"
done
check "demo: desktop shortcut (the tree's desktop item is ticked)" "$(ok -n "$(find "$C/users" -path '*Desktop*' -name '演示软件.lnk')")"
# The uninstall record: uninst.exe is the build's launcher with the product name in its NAME
# field (the only bytes that differ, inside one 256-byte field), uninst.dat the setup's image,
# "{" and the uninstall blocks up to the closing qzr-2 block.
launcher=$root/build/$build/uninst.exe
check "demo: uninst.exe written" "$(ok -f "$app/uninst.exe")"
check "demo: uninst.exe as large as the build's launcher" \
  "$(ok "$(stat -c %s "$app/uninst.exe" 2>/dev/null)" = "$(stat -c %s "$launcher")")"
diffs=$(cmp -l "$launcher" "$app/uninst.exe" 2>/dev/null | awk 'NR == 1 {f = $1} {l = $1} END {print f, l}')
read -r first last <<<"$diffs"
check "demo: uninst.exe differs from the build's only inside the name field" \
  "$(ok -n "$first" -a $((${last:-0} - ${first:-0})) -lt 256)"
name=$(dd if="$app/uninst.exe" bs=1 skip=$((${first:-1} - 1)) count=9 2>/dev/null | iconv -f GBK -t UTF-8 2>/dev/null | tr -d '\0')
check "demo: uninst.exe's NAME field holds 演示软件 (got '$name')" "$(ok "$name" = 演示软件)"
check "demo: inspect reads the name out of uninst.exe" \
  "$(ok -n "$("$pack" inspect "$app/uninst.exe" 2>&1 | grep -F 'product name (NAME 100, 256 bytes): "演示软件"')")"
image=$(stat -c %s "$stub")
check "demo: uninst.dat starts with setup.exe's image" "$(ok "$(cmp -n "$image" "$demo" "$app/uninst.dat" 2>&1; echo $?)" = 0)"
check "demo: ...followed by {" "$(ok "$(dd if="$app/uninst.dat" bs=1 skip="$image" count=1 2>/dev/null)" = "{")"
closing=$work/closing.bin
printf 'QZR-mark=配置包A\001qzr-2QZR-mark=配置包B\001' | iconv -f UTF-8 -t GBK >"$closing"
check "demo: uninst.dat ends with the qzr-2 block" \
  "$(ok "$(tail -c "$(stat -c %s "$closing")" "$app/uninst.dat" | cmp - "$closing" 2>&1; echo $?)" = 0)"
record=$("$pack" inspect "$app/uninst.dat" 2>&1)
check "demo: inspect reads uninst.dat as an uninstaller copy" "$(ok -n "$(grep -F 'package type: qzr-2 (uninstaller copy)' <<<"$record")")"
check "demo: inspect shows the launcher's product name" "$(ok -n "$(grep -F 'launcher product name (NAME 100): "演示软件"' <<<"$record")")"
check "demo: the record lists the installed files and uninst.dat" \
  "$(ok -n "$(grep -F 'C:\Program Files\演示软件\readme.txt' <<<"$record")" -a -n "$(grep -F 'C:\Program Files\演示软件\uninst.dat' <<<"$record")")"
check "demo: the record carries the uninstall option and command" \
  "$(ok -n "$(grep -F '标题1=保留设置' <<<"$record")" -a -n "$(grep -F '欲运行的次数=1' <<<"$record")")"
check "demo: QuietUninstallString quotes uninst.exe and adds -hp" \
  "$(ok -n "$(grep -F '"QuietUninstallString"="\"C:\\Program Files\\演示软件\\uninst.exe\" -hp"' <<<"$key")")"
bytes=$(find examples/demo/payload -type f -printf '%s\n' | awk '{s += $1} END {print s}')
kib=$(( (bytes + 1023) / 1024 ))
check "demo: EstimatedSize is the payload's $kib KiB" \
  "$(ok -n "$(grep -F "\"EstimatedSize\"=dword:$(printf %08x "$kib")" <<<"$key")")"

# ---------------------------------------------------------------------------------------------
# 2. A small project: Install sections shape the extraction, [sys=] filters the after-unpack
# commands, I_reg puts the Uninstall key into the 64-bit view, the desktop option is ticked.
proj=$work/small
mkdir -p "$proj/payload/extra" "$proj/payload/core"
head -c 3000 /dev/urandom >"$proj/payload/core/app.bin"
echo keep >"$proj/payload/core/keep.txt"
echo dropped >"$proj/payload/extra/dropped.txt"
echo readme >"$proj/payload/readme.txt"
cat >"$proj/data.ini" <<'EOF'
[Mokta软件安装配置]
Mokta软件名称=小工具
软件版本=2.5
公司名称=测试公司
包内的程序名=core\app.bin
安装位置=%ProgramFiles%\SmallTool
是否生成卸载程序=真
I_reg=真
安装模式=正常安装
安装后是否显示完成界面=真
安装过程_列表=2

[安装包命令行]
p=/D=
hp=-hp
hideend=-hideend

[新建快捷方式参数]
欲运行的次数=1
参数快捷方式名1=小工具
参数文件名1=core\app.bin
参数命令行1=
参数生成位置1=%Desktop%
参数是否卸载1=真
快捷方式图标1=
快捷方式描述1=

[解压后运行的参数]
欲运行的次数=3
是否外部运行1=真
参数运行文件名1=[sys=64]cmd /c echo 64>"%InstallPath%\sys64.txt"
是否隐藏窗口1=真
是否等待返回1=真
作用方案1=解压后运行
是否外部运行2=真
参数运行文件名2=[sys=32]cmd /c echo 32>"%InstallPath%\sys32.txt"
是否隐藏窗口2=真
是否等待返回2=真
作用方案2=解压后运行
是否外部运行3=真
参数运行文件名3=cmd /c echo one>C:\et.txt%ET%echo two>>C:\et.txt
是否隐藏窗口3=真
是否等待返回3=真
作用方案3=解压后运行
EOF
# The path variables (%ProgramFiles%, %Desktop%...) are the ones variable.ini declares.
printf '[%%ProgramFiles%%]\n数据=\n[%%Desktop%%]\n数据=\n[%%MenuDir%%]\n数据=\n' >"$proj/variable.ini"
cat >"$proj/choosegment.ini" <<'EOF'
Treelists
｛
Install(){主程序$,-1$,1$,真$,$,0
附加内容$,-1$,0$,$,$,0
桌面快捷方式$,-1$,1$,真$,$,1
}
｝

主程序
｛
Install(){
[真]removezip(readme.txt)
}
Unzip(){
[真]cmd /c echo unzip>"%InstallPath%\unzip.txt"
[假]cmd /c echo never>"%InstallPath%\never.txt"
}
｝

附加内容
｛
Install(){
[假]removezip(extra\dropped.txt)
}
｝
EOF
small=$work/small-out/setup.exe
if "$pack" build "$proj" -o "$small" --arch "$build" --stub "$stub" >"$work/small-pack.log" 2>&1; then
  run_setup "$small" -hp; rc=$?
  check "small -hp: exit 0 (got $rc)" "$(ok $rc = 0)"
  dst="$C/Program Files/SmallTool"
  check "small: core files byte-identical" "$(same "$proj/payload/core/app.bin" "$dst/core/app.bin")"
  check "small: removezip in a ticked component's true line excludes readme.txt" "$(ok ! -e "$dst/readme.txt")"
  check "small: removezip in an unticked component's false line excludes extra\\dropped.txt" "$(ok ! -e "$dst/extra/dropped.txt")"
  check "small: [sys=64] command ran on 64-bit Windows" "$(ok -s "$dst/sys64.txt")"
  check "small: [sys=32] command filtered out" "$(ok ! -e "$dst/sys32.txt")"
  # In the after-unpack list the batch is written before "%InstallPath%" is replaced, so the
  # commands name an absolute folder.
  check "small: %ET% batch ran both lines" "$(ok "$(tr -d '\r ' <"$C/et.txt" 2>/dev/null | tr '\n' ,)" = one,two,)"
  check "small: Unzip true line ran, false line did not" "$(ok -s "$dst/unzip.txt" -a ! -e "$dst/never.txt")"
  key=$(reg_text "$uninstall64\\小工具")
  check "small: I_reg=真 puts the Uninstall key into the 64-bit view" "$(ok -n "$(grep -F '"DisplayName"="小工具 2.5"' <<<"$key")")"
  check "small: desktop shortcut where the ticked option says" "$(ok -n "$(find "$C/users" -path '*Desktop*' -name '小工具.lnk')")"

  # The install-folder switch (key p = "/D=") with a quoted folder, and -hideend.
  run_setup_line "$small" '-hp -hideend /D="C:\Other Place" -jp'; rc=$?
  check "small /D=: exit 0 (got $rc)" "$(ok $rc = 0)"
  check "small /D=: installed into the folder of the switch" "$(same "$proj/payload/core/app.bin" "$C/Other Place/core/app.bin")"
  check "small /D=: nothing in the configured folder" "$(ok ! -e "$C/Program Files/SmallTool")"
else
  check "small project builds ($(tail -1 "$work/small-pack.log"))" 1
fi

# A payload copied out of the setup file first ("安装包封装模式" with a size limit of 0 MiB: the
# unpack window opens and the copy's signature is repaired), then installed; the copy is gone.
cproj=$work/copy
mkdir -p "$cproj"
cp -r "$proj/payload" "$proj/variable.ini" "$cproj/"
sed 's/^安装过程_列表=2$/安装过程_列表=2\n安装包封装模式=7z-0/' "$proj/data.ini" >"$cproj/data.ini"
# Its one component's "Install" section narrows the extraction to an include list.
printf 'Treelists\r\n｛\r\nInstall(){主程序$,-1$,1$,真$,$,0\r\n}\r\n｝\r\n\r\n主程序\r\n｛\r\nInstall(){\r\n[真]assignzip(core\\app.bin)\r\n}\r\n｝\r\n' >"$cproj/choosegment.ini"
copyexe=$work/copy-out/setup.exe
if "$pack" build "$cproj" -o "$copyexe" --arch "$build" --stub "$stub" >"$work/copy-pack.log" 2>&1; then
  run_setup "$copyexe" -hp; rc=$?
  check "payload copied out first: exit 0 (got $rc)" "$(ok $rc = 0)"
  check "payload copy: app.bin byte-identical" "$(same "$proj/payload/core/app.bin" "$C/Program Files/SmallTool/core/app.bin")"
  check "payload copy: the .7zsha copy is deleted" "$(ok -z "$(find "$C/users" -name '*.7zsha')")"
  check "assignzip in a ticked component's true line: only the included entry is extracted" \
    "$(ok ! -e "$C/Program Files/SmallTool/core/keep.txt" -a ! -e "$C/Program Files/SmallTool/readme.txt")"
else
  check "copy-out package builds ($(tail -1 "$work/copy-pack.log"))" 1
fi

# ---------------------------------------------------------------------------------------------
# 3. Split volumes: the payload as numbered volumes beside the setup file.
vproj=$work/vol
mkdir -p "$vproj"
cp -r "$proj/payload" "$proj/data.ini" "$proj/variable.ini" "$vproj/"
head -c 400000 /dev/urandom >"$vproj/payload/core/big.bin"
vol=$work/vol-out/setup.exe
if "$pack" build "$vproj" -o "$vol" --arch "$build" --stub "$stub" --volume-size 150k >"$work/vol-pack.log" 2>&1; then
  check "split package has several volumes" "$(ok "$(ls "$work/vol-out" | grep -c '\.7z\.[0-9][0-9][0-9]$')" -ge 2)"
  run_setup "$vol" -hp; rc=$?
  check "split volumes -hp: exit 0 (got $rc)" "$(ok $rc = 0)"
  check "split volumes: big.bin byte-identical" "$(same "$vproj/payload/core/big.bin" "$C/Program Files/SmallTool/core/big.bin")"
else
  check "split package builds ($(tail -1 "$work/vol-pack.log"))" 1
fi

# Volumes with other names ("压缩分卷文件名" lists them) are joined into one archive first. The
# volumes hold a file the payload block lacks, so the test sees which archive was installed.
nproj=$work/named
mkdir -p "$nproj"
cp -r "$proj/payload" "$proj/variable.ini" "$nproj/"
sed 's/^安装过程_列表=2$/安装过程_列表=2\n压缩分卷数=2\n压缩分卷文件名=数据甲.bin+数据乙.bin/' "$proj/data.ini" >"$nproj/data.ini"
named=$work/named-out/setup.exe
if "$pack" build "$nproj" -o "$named" --arch "$build" --stub "$stub" >"$work/named-pack.log" 2>&1; then
  cp -r "$nproj/payload" "$work/named-payload"
  echo from-volumes >"$work/named-payload/only-in-volumes.txt"
  (cd "$work/named-payload" && 7zz a -bso0 -bsp0 "$work/named.7z" .)
  split -n 2 "$work/named.7z" "$work/named-part-"
  mv "$work/named-part-aa" "$work/named-out/数据甲.bin"
  mv "$work/named-part-ab" "$work/named-out/数据乙.bin"
  run_setup "$named" -hp; rc=$?
  check "named volumes -hp: exit 0 (got $rc)" "$(ok $rc = 0)"
  check "named volumes: the joined volumes were installed" "$(ok -s "$C/Program Files/SmallTool/only-in-volumes.txt")"
  check "named volumes: app.bin byte-identical" "$(same "$proj/payload/core/app.bin" "$C/Program Files/SmallTool/core/app.bin")"
  rm "$work/named-out/数据乙.bin"
  run_setup "$named" -hp; rc=$?
  check "a missing volume: exit 4 (got $rc)" "$(ok $rc = 4)"
  check "a missing volume: nothing installed" "$(ok ! -e "$C/Program Files/SmallTool")"
else
  check "named-volume package builds ($(tail -1 "$work/named-pack.log"))" 1
fi

# ---------------------------------------------------------------------------------------------
# 4. Failures: a damaged payload, a wrong install password in the background mode.
damaged=$work/damaged/setup.exe
"$pack" build "$vproj" -o "$damaged" --arch "$build" --stub "$stub" >/dev/null 2>&1
read -r start size < <("$pack" inspect "$damaged" | sed -n 's/.*payload archive: block at [0-9]*, content at \([0-9]*\), \([0-9]*\) bytes/\1 \2/p')
if [ -n "${start:-}" ]; then
  # Overwrite 4 KiB in the middle of the packed streams: the headers stay readable, the data not.
  head -c 4096 /dev/zero | dd of="$damaged" bs=1 seek=$((start + size / 2)) conv=notrunc status=none
  run_setup "$damaged" -hp; rc=$?
  check "damaged payload: exit 5 (got $rc)" "$(ok $rc = 5)"
  check "damaged payload: no Uninstall key" "$(ok -z "$(reg_text "$uninstall64\\小工具")")"
  check "damaged payload: no shortcuts" "$(ok "$(lnk_count)" = 0)"
else
  check "damaged package: payload block found by inspect" 1
fi

pw=$work/pw
mkdir -p "$pw"
cp -r "$proj/payload" "$proj/choosegment.ini" "$proj/variable.ini" "$pw/"
sed 's/^I_reg=真$/I_reg=真\n安装密码=secret/' "$proj/data.ini" >"$pw/data.ini"
pwexe=$work/pw-out/setup.exe
if "$pack" build "$pw" -o "$pwexe" --arch "$build" --stub "$stub" >"$work/pw-pack.log" 2>&1; then
  run_setup "$pwexe" -hp; rc=$?
  check "install password in the background mode: exit 3 (got $rc)" "$(ok $rc = 3)"
  check "install password: nothing installed" "$(ok ! -e "$C/Program Files/SmallTool/core/app.bin")"
  check "install password: no Uninstall key" "$(ok -z "$(reg_text "$uninstall64\\小工具")")"
  check "install password: no shortcuts" "$(ok "$(lnk_count)" = 0)"
else
  check "password package builds ($(tail -1 "$work/pw-pack.log"))" 1
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
