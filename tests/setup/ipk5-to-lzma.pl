#!/usr/bin/perl
# Turns an IPK5 package into a legacy .lzma file: the XOR key removed and the
# 13-byte header (properties, dictionary, 64-bit size) in front. Prints the
# header's CRC-32 and size on standard error as "crc size".
use strict;
use warnings;
my ($in, $out) = @ARGV;
open(my $f, '<:raw', $in) or die "$in: $!";
local $/;
my $data = <$f>;
close $f;
die "not an IPK5 package\n" unless substr($data, 0, 4) eq 'IPK5';
my ($crc, $size) = unpack('VV', substr($data, 4, 8));
my $payload = substr($data, 12);
my $key = '3060481623';
my $keys = $key x (int(length($payload) / 10) + 1);
$payload ^= substr($keys, 0, length($payload));
open(my $o, '>:raw', $out) or die "$out: $!";
print $o substr($payload, 0, 5), pack('VV', $size, 0), substr($payload, 5);
close $o;
printf STDERR "%08x %d\n", $crc, $size;
