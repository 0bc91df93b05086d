#!/usr/bin/env bash
# Draws the installer's pictures with ImageMagick. The results are committed; run this only
# to change the artwork (needs imagemagick and the urw-base35 fonts).
set -euo pipefail
cd "$(dirname "$0")"
BOLD=/usr/share/fonts/opentype/urw-base35/NimbusSans-Bold.otf
REG=/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf
NAVY='#0A2463'
BLUE='#1E5BD8'
SKY='#4FA3F7'

# The mark: a rounded square in the product's blues with a white "V".
mark() {  # size file
  local s=$1 r=$(( $1 / 5 ))
  convert -size "${s}x${s}" xc:none \
    \( -size "${s}x${s}" gradient:"$SKY"-"$NAVY" \) \
    \( -size "${s}x${s}" xc:none -fill white -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $r,$r" \) \
    -delete 0 -compose DstIn -composite \
    \( -size "${s}x${s}" xc:none -fill 'rgba(255,255,255,0.18)' \
       -draw "ellipse $((s/2)),0 $((s*3/4)),$((s/2)) 0,360" \) -compose Over -composite \
    -font "$BOLD" -pointsize $(( s * 3 / 4 )) -fill white -gravity center \
    -annotate +0+$(( s / 20 )) 'V' -depth 8 "PNG32:$2"
}

mark 48 icon.png
mark 34 mark34.png
mark 64 mark64.png

# Banner 599 x 133: a deep blue field with soft light, the mark, the name and what it does.
convert -size 599x133 gradient:"$BLUE"-"$NAVY" -rotate 0 \
  \( -size 599x133 radial-gradient:'rgba(120,190,255,0.55)'-'rgba(0,0,0,0)' -roll +250-40 \) \
  -compose Screen -composite \
  -fill 'rgba(255,255,255,0.07)' -draw "circle 540,20 640,60" \
  -fill 'rgba(255,255,255,0.05)' -draw "circle 470,150 560,190" \
  -fill 'rgba(255,255,255,0.25)' -draw "rectangle 0,128 599,129" \
  -fill "$SKY" -draw "rectangle 0,130 599,133" \
  mark64.png -geometry +26+34 -compose Over -composite \
  -font "$BOLD" -pointsize 40 -fill white -annotate +106+74 'VareloSoft' \
  -font "$REG" -pointsize 15 -fill '#CFE3FF' -annotate +108+98 'Gestão comercial e fiscal para o varejo' \
  -font "$BOLD" -pointsize 17 -fill white -gravity NorthEast -annotate +24+30 'Instalação do Sistema' \
  -font "$REG" -pointsize 12 -fill '#CFE3FF' -annotate +24+52 'Servidor, estação e PDV' \
  -gravity NorthWest -depth 8 -strip PNG24:banner.png

# Second logo 201 x 43: the mark and the name, in blue on white.
convert -size 201x43 xc:white \
  mark34.png -geometry +4+4 -compose Over -composite \
  -font "$BOLD" -pointsize 22 -fill "$NAVY" -annotate +46+24 'VareloSoft' \
  -font "$REG" -pointsize 9 -fill '#5B6B86' -annotate +47+37 'SOFTWARE PARA O VAREJO' \
  -depth 8 -strip PNG24:logo.png

# Illustration 225 x 225: the boxed product standing on white, its disc leaning in front.
convert -size 225x225 xc:white \
  -fill 'rgba(10,36,99,0.18)' -draw "ellipse 112,180 84,10 0,360" \
  \( -size 120x150 gradient:"$BLUE"-"$NAVY" \) -geometry +40+20 -compose Over -composite \
  -fill '#0B1F55' -draw "polygon 160,20 188,4 188,154 160,170" \
  -fill '#6FB3FA' -draw "polygon 40,20 68,4 188,4 160,20" \
  -fill 'rgba(255,255,255,0.15)' -draw "polygon 40,20 160,20 160,48 40,88" \
  -fill "$SKY" -draw "rectangle 40,128 160,134" \
  mark34.png -geometry +53+34 -compose Over -composite \
  -font "$BOLD" -pointsize 17 -fill white -annotate +52+96 'VareloSoft' \
  -font "$REG" -pointsize 9 -fill '#CFE3FF' -annotate +53+110 'Gestão Comercial' \
  -font "$BOLD" -pointsize 9 -fill white -annotate +53+150 'EDIÇÃO PRO' \
  \( -size 96x96 xc:none \
     -fill '#C9D3E0' -draw "circle 48,48 48,2" \
     \( -size 96x96 radial-gradient:'#FFFFFF'-'#AAB6C8' \) -compose Multiply -composite \
     -fill 'rgba(255,120,200,0.25)' -draw "path 'M 48,48 L 96,30 A 50,50 0 0,1 96,66 Z'" \
     -fill 'rgba(120,220,255,0.30)' -draw "path 'M 48,48 L 0,66 A 50,50 0 0,1 0,30 Z'" \
     -fill 'rgba(255,255,140,0.25)' -draw "path 'M 48,48 L 30,0 A 50,50 0 0,1 66,0 Z'" \
     -fill '#E9EEF5' -draw "circle 48,48 48,30" \
     -fill white -draw "circle 48,48 48,40" \
     -fill none -stroke '#8A98AE' -strokewidth 1 -draw "circle 48,48 48,2" -draw "circle 48,48 48,40" \
     \( +clone -alpha extract -threshold 0 \) -compose CopyOpacity -composite \
     -channel A -fx "hypot(i-48,j-48)<46 && hypot(i-48,j-48)>5 ? a : 0" +channel \) \
  -geometry +120+86 -compose Over -composite \
  -quality 92 -strip illustration.jpg

rm -f mark34.png mark64.png

# The Windows program's icon resource: the 48-pixel mark with 32- and 16-pixel copies, in
# one .ico that installer/instalador.rc names.
convert icon.png -define icon:auto-resize=48,32,16 icon.ico
