# Sourced by the benchmark scripts, with $repo set: prepares the photos shared by every
# benchmark and sets `all` (the photos) and `rss` (their 12 MP crops).
photos=$repo/bench/photos
testdata=$(cd "$repo/.." && pwd)/shared/testdata
mkdir -p "$photos"

megapixels() { # FILE → pixel count in millions, one decimal
    local width height
    width=$(vipsheader -f width "$1") && height=$(vipsheader -f height "$1") &&
        awk -v w="$width" -v h="$height" 'BEGIN { printf "%.1f", w * h / 1e6 }'
}

# 1. The Lomiri wallpapers, from Debian's package (downloaded once).
wallpaper_root=$photos/lomiri
if ! compgen -G "$wallpaper_root/usr/share/backgrounds/*.jpg" >/dev/null; then
    rm -rf "$photos/deb" "$wallpaper_root"
    mkdir -p "$photos/deb"
    if (cd "$photos/deb" && apt-get download lomiri-wallpapers-20.04) >"$photos/deb/apt.log" 2>&1; then
        dpkg-deb -x "$photos"/deb/lomiri-wallpapers-20.04_*.deb "$wallpaper_root"
    else
        echo "NOTE: apt-get download lomiri-wallpapers-20.04 failed (see $photos/deb/apt.log);" \
            "the photo set is the test-data JPEGs only."
    fi
fi
wallpapers=()
if [[ -d $wallpaper_root ]]; then
    mapfile -t wallpapers < <(find "$wallpaper_root" -type f -iname '*.jpg' | sort)
fi

# 2. The camera JPEGs of the shared test data above ~5 MP, and the 24 MP Sony photo.
cameras=()
for file in "$testdata"/01-jpeg-camera-exif/*.jpg "$testdata"/01-jpeg-camera-exif/*.JPG; do
    [[ -f $file ]] || continue
    if awk -v mp="$(megapixels "$file")" 'BEGIN { exit !(mp > 5.0) }'; then
        cameras+=("$file")
    fi
done
sony=$testdata/06-jpeg-special/large_24MP_SonyA6000.jpg
[[ -f $sony ]] && cameras+=("$sony")

all=("${wallpapers[@]}" "${cameras[@]}")
if [[ ${#all[@]} -eq 0 ]]; then
    echo "No photos found (wallpapers missing and no test data in $testdata)." >&2
    exit 2
fi

# 3. ~12 MP photos for the memory run: 4000×3000 centre crops of the larger photos, saved the
#    way a 12 MP phone camera saves them (baseline, 4:2:0, Q92, EXIF kept).
twelve=$photos/12mp
mkdir -p "$twelve"
for file in "${all[@]}"; do
    width=$(vipsheader -f width "$file")
    height=$(vipsheader -f height "$file")
    ((width >= 4000 && height >= 3000)) || continue
    out=$twelve/$(basename "${file%.*}")_4000x3000.jpg
    [[ -f $out ]] || vips crop "$file" "$out[Q=92,subsample-mode=on]" \
        $(((width - 4000) / 2)) $(((height - 3000) / 2)) 4000 3000
done
mapfile -t rss < <(find "$twelve" -type f -name '*_4000x3000.jpg' | sort)

