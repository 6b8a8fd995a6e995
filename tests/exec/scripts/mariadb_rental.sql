-- MariaDB dump 10.19  Distrib 10.11.6-MariaDB, for debian-linux-gnu (x86_64)
--
-- Host: localhost    Database: rental
-- ------------------------------------------------------
-- Server version	10.11.6-MariaDB-0+deb12u1

/*!40101 SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT */;
/*!40101 SET @OLD_CHARACTER_SET_RESULTS=@@CHARACTER_SET_RESULTS */;
/*!40101 SET NAMES utf8mb4 */;
/*!40014 SET @OLD_UNIQUE_CHECKS=@@UNIQUE_CHECKS, UNIQUE_CHECKS=0 */;
/*!40014 SET @OLD_FOREIGN_KEY_CHECKS=@@FOREIGN_KEY_CHECKS, FOREIGN_KEY_CHECKS=0 */;
/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;

--
-- Table structure for table `address`
-- (it references `city`, which comes later: only FOREIGN_KEY_CHECKS=0 lets this load)
--

DROP TABLE IF EXISTS `address`;
/*!40101 SET @saved_cs_client     = @@character_set_client */;
/*!40101 SET character_set_client = utf8mb4 */;
CREATE TABLE `address` (
  `address_id` smallint(5) unsigned NOT NULL AUTO_INCREMENT,
  `address` varchar(50) NOT NULL,
  `district` varchar(20) NOT NULL DEFAULT '',
  `city_id` smallint(5) unsigned NOT NULL,
  `last_update` timestamp NOT NULL DEFAULT current_timestamp() ON UPDATE current_timestamp(),
  PRIMARY KEY (`address_id`),
  KEY `idx_fk_city_id` (`city_id`),
  CONSTRAINT `fk_address_city` FOREIGN KEY (`city_id`) REFERENCES `city` (`city_id`) ON UPDATE CASCADE
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
/*!40101 SET character_set_client = @saved_cs_client */;

LOCK TABLES `address` WRITE;
/*!40000 ALTER TABLE `address` DISABLE KEYS */;
INSERT INTO `address` VALUES (1,'47 MySakila Drive','Alberta',1,'2006-02-15 04:45:30'),(2,'28 O\'Neil; Ltd Road','QLD',2,'2006-02-15 04:45:30'),(3,'C:\\temp\\ -- not a comment','Back\\slash',1,'2006-02-15 04:45:30'),(4,'Line\nbreak and \"quotes\" and it\'\'s','Tab\there',2,'2006-02-15 04:45:30');
/*!40000 ALTER TABLE `address` ENABLE KEYS */;
UNLOCK TABLES;

DROP TABLE IF EXISTS `city`;
CREATE TABLE `city` (
  `city_id` smallint(5) unsigned NOT NULL AUTO_INCREMENT,
  `city` varchar(50) NOT NULL,
  `rentals` int NOT NULL DEFAULT 0,
  PRIMARY KEY (`city_id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

INSERT INTO `city` VALUES (1,'Lethbridge',0),(2,'Woodridge; \'QLD\'',0),(3,"A \"double\" ; quoted",0);

# A hash comment; it's got an apostrophe and a semicolon; the next statements must still run.
INSERT INTO `city` VALUES (4,'São Paulo',0); # trailing hash comment with a ' quote
-- A dash comment with a ' quote; and a semicolon
INSERT INTO `city` VALUES (5,'Ümraniye',0);

DROP TABLE IF EXISTS `rental`;
CREATE TABLE `rental` (
  `rental_id` int(11) NOT NULL AUTO_INCREMENT,
  `address_id` smallint(5) unsigned NOT NULL,
  `amount` decimal(5,2) NOT NULL,
  `note` varchar(100) DEFAULT NULL,
  PRIMARY KEY (`rental_id`),
  CONSTRAINT `fk_rental_address` FOREIGN KEY (`address_id`) REFERENCES `address` (`address_id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

DROP TABLE IF EXISTS `rental_log`;
CREATE TABLE `rental_log` (
  `id` int NOT NULL AUTO_INCREMENT PRIMARY KEY,
  `what` varchar(200) NOT NULL
) ENGINE=InnoDB;

/*!50003 SET @saved_cs_client      = @@character_set_client */ ;
/*!50003 SET @saved_sql_mode       = @@sql_mode */ ;
/*!50003 SET sql_mode              = 'STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION' */ ;
DELIMITER ;;
/*!50003 CREATE*/ /*!50003 TRIGGER `rental_ai` AFTER INSERT ON `rental` FOR EACH ROW BEGIN
    UPDATE city c JOIN address a ON a.city_id = c.city_id SET c.rentals = c.rentals + 1 WHERE a.address_id = NEW.address_id;
    INSERT INTO rental_log (what) VALUES (CONCAT('rented; amount=', NEW.amount));
END */;;
DELIMITER ;
/*!50003 SET sql_mode              = @saved_sql_mode */ ;

DELIMITER //
CREATE FUNCTION `price_band`(p_amount DECIMAL(5,2)) RETURNS varchar(10) CHARSET utf8mb4
    DETERMINISTIC
BEGIN
  DECLARE band VARCHAR(10);
  IF p_amount < 1 THEN
    SET band = 'cheap;';
  ELSEIF p_amount < 3 THEN
    SET band = 'mid';
  ELSE
    SET band = CASE WHEN p_amount > 100 THEN 'absurd' ELSE 'dear' END;
  END IF;
  RETURN band;
END //
DELIMITER ;

DELIMITER $$
CREATE PROCEDURE `add_rentals`(IN p_count INT, IN p_address SMALLINT)
BEGIN
  DECLARE i INT DEFAULT 0;
  rent_loop: WHILE i < p_count DO
    INSERT INTO rental (address_id, amount, note)
      VALUES (p_address, 0.99 + i, CONCAT('band ', price_band(0.99 + i), '; #', i));
    SET i = i + 1;
  END WHILE rent_loop;
  CASE p_address
    WHEN 1 THEN INSERT INTO rental_log (what) VALUES ('address one');
    ELSE BEGIN
      INSERT INTO rental_log (what) VALUES ('another address');
    END;
  END CASE;
END$$
DELIMITER ;

CALL add_rentals(4, 1);
CALL add_rentals(2, 2);

DROP VIEW IF EXISTS `rental_summary`;
CREATE VIEW rental_summary AS SELECT c.city, COUNT(*) AS n, SUM(r.amount) AS total
FROM rental r JOIN address a ON a.address_id = r.address_id JOIN city c ON c.city_id = a.city_id
GROUP BY c.city;

/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;
/*!40014 SET FOREIGN_KEY_CHECKS=@OLD_FOREIGN_KEY_CHECKS */;
/*!40014 SET UNIQUE_CHECKS=@OLD_UNIQUE_CHECKS */;
/*!40101 SET CHARACTER_SET_CLIENT=@OLD_CHARACTER_SET_CLIENT */;
/*!40101 SET CHARACTER_SET_RESULTS=@OLD_CHARACTER_SET_RESULTS */;

-- Dump completed on 2024-02-01 10:00:00
