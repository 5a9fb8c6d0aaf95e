#!/usr/bin/perl
# RIFF files for the end-to-end tests that ImageMagick does not write.
#   make_riff.pl ani OUT RATE ICON...   an animated cursor: one step a icon file,
#                                       each shown RATE sixtieths of a second
#   make_riff.pl avi OUT W H FRAME...   an uncompressed 24-bit AVI at 10 frames a
#                                       second; each FRAME is raw bottom-up BGR
use strict;
use warnings;

sub chunk {
    my ($id, $data) = @_;
    return $id . pack('V', length $data) . $data . (length($data) % 2 ? "\0" : '');
}
sub list { my ($type, $body) = @_; return chunk('LIST', $type . $body); }
sub slurp {
    open my $f, '<:raw', $_[0] or die "$_[0]: $!\n";
    local $/;
    return scalar <$f>;
}

my ($kind, $out, @args) = @ARGV;
die "usage: $0 ani|avi OUT ...\n" unless defined $out;
my $riff;
if ($kind eq 'ani') {
    my ($rate, @icons) = @args;
    my $n = @icons;
    die "no icons\n" unless $n;
    # cbSize, frames, steps, cx, cy, bit count, planes, rate, flags (1: icon frames)
    my $anih = pack('V9', 36, $n, $n, 0, 0, 0, 0, $rate, 1);
    my $frames = join '', map { chunk('icon', slurp($_)) } @icons;
    $riff = chunk('RIFF', 'ACON' . chunk('anih', $anih) . list('fram', $frames));
} elsif ($kind eq 'avi') {
    my ($w, $h, @frames) = @args;
    my $n = @frames;
    die "no frames\n" unless $n;
    die "rows must fill whole 4-byte words\n" if ($w * 3) % 4;
    my $bytes = $w * $h * 3;
    my $avih = pack('V14', 100000, $bytes * 10, 0, 0x10, $n, 0, 1, $bytes, $w, $h, 0, 0, 0, 0);
    my $strh = 'vidsDIB ' . pack('V10 v4', 0, 0, 0, 1, 10, 0, $n, $bytes, 0xFFFFFFFF, 0, 0, 0, $w, $h);
    my $strf = pack('V l l v v V V l l V V', 40, $w, $h, 1, 24, 0, $bytes, 0, 0, 0, 0);
    my ($movi, $idx, $offset) = ('', '', 4);
    for my $f (@frames) {
        my $pixels = slurp($f);
        die "$f: " . length($pixels) . " bytes, not $bytes\n" unless length $pixels == $bytes;
        my $c = chunk('00db', $pixels);
        $idx .= '00db' . pack('V3', 0x10, $offset, $bytes);
        $offset += length $c;
        $movi .= $c;
    }
    my $hdrl = list('hdrl', chunk('avih', $avih) . list('strl', chunk('strh', $strh) . chunk('strf', $strf)));
    $riff = chunk('RIFF', 'AVI ' . $hdrl . list('movi', $movi) . chunk('idx1', $idx));
} else {
    die "unknown kind $kind\n";
}
open my $o, '>:raw', "$out.part" or die "$out: $!\n";
print $o $riff;
close $o or die "$out: $!\n";
rename "$out.part", $out or die "$out: $!\n";
